// Shared fixture of the variable store tests: private settings stores, the store's
// configuration restored afterwards, and direct access to the stored values.
#pragma once

#include "support/scratch.h"
#include "variables/variable_manager.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace ob::vars::test {

using registry::Root;

/// Key of a section under the default company and product.
std::string SectionPath(const std::string& section);

/// The stored value, or nothing when the key or value is missing.
std::optional<std::string> Stored(Root root, const std::string& section, const std::string& name);
/// Writes a value directly into the settings store (the root must be writable).
void Store(Root root, const std::string& section, const std::string& name,
           const std::string& value);
bool SectionExists(Root root, const std::string& section);

class StoreTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    /// Points the roots at this test's folders; `machineReadOnly` as for
    /// UseScratchStores. The user folder keeps its content across calls.
    void UseStores(bool machineReadOnly) { ob::test::UseScratchStores(dir_, machineReadOnly); }
    /// A variable name unique to this test; removed from the environment afterwards.
    std::string Var(const std::string& suffix);
    /// GetEnv as a value, releasing the copy.
    std::optional<std::string> Read(const char* section, const std::string& name,
                                    std::uint32_t flags);

    ob::test::ScratchDir dir_;
    CVariableManager store_;
    StoreConfig savedConfig_;
    std::vector<std::string> vars_;
};

} // namespace ob::vars::test
