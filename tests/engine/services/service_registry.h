// Test helper: service entries in the (scratch) machine settings store, and the
// paths of the test modules.
#pragma once

#include "engine/services/service_loader.h"
#include "platform/registry/registry.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace ob::test {

/// Writes HKLM\...\services\NAME with the given values (name, data).
inline void RegisterService(const std::string& name,
                            const std::vector<std::pair<std::string, std::string>>& values) {
    registry::Key key;
    ASSERT_EQ(registry::Key::Create(registry::Root::LocalMachine,
                                    std::string(engine::kServicesKey) + "\\" + name,
                                    registry::KEY_READ_WRITE, key),
              registry::ERROR_SUCCESS);
    for (const auto& [value, data] : values) {
        ASSERT_EQ(key.SetValue(value, data), registry::ERROR_SUCCESS);
    }
}

/// The file of a test module ("codes", "dependency", "dependent", "no_entry").
inline std::string TestModule(const std::string& name) {
    return std::string(OB_TEST_MODULE_DIR) + "/libob_test_" + name + ".so";
}

} // namespace ob::test
