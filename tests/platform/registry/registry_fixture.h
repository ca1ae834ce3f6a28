// Shared fixture of the settings store tests: private machine and user stores in a
// scratch directory, dropped again when the test ends.
#pragma once

#include "platform/env/environment.h"
#include "platform/registry/registry.h"
#include "support/scratch.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ob::registry::test {

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override { ob::test::UseScratchStores(dir_); }
    void TearDown() override {
        ob::env::Remove("OBRENTA_MACHINE_READONLY");
        ResetConnections();
    }

    /// Sets a value, creating its key; fails the test when that does not work.
    static void Put(Root root, const std::string& path, const std::string& name,
                    const std::string& data) {
        Key key;
        ASSERT_EQ(Key::Create(root, path, KEY_ALL_ACCESS, key), ERROR_SUCCESS) << path;
        ASSERT_EQ(key.SetValue(name, data), ERROR_SUCCESS) << path << " " << name;
    }

    /// The value, or "<error N>" when it cannot be read.
    static std::string Read(Root root, const std::string& path, const std::string& name) {
        Key key;
        long rc = Key::Open(root, path, KEY_READ, key);
        if (rc == ERROR_SUCCESS) {
            std::string data;
            rc = key.QueryValue(name, data);
            if (rc == ERROR_SUCCESS) {
                return data;
            }
        }
        return "<error " + std::to_string(rc) + ">";
    }

    static bool Exists(Root root, const std::string& path) {
        Key key;
        return Key::Open(root, path, KEY_READ, key) == ERROR_SUCCESS;
    }

    std::string MachineFile() const { return dir_ / "machine/registry.db"; }
    std::string UserFile() const { return dir_ / "user/registry.db"; }

    ob::test::ScratchDir dir_;
};

} // namespace ob::registry::test
