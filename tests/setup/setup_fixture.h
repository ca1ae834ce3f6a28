// Test support for the setup extension: a scratch installation directory (the job
// folder), settings stores, temporary folder and endpoint folder of the test's own,
// and the setup log read back.
#pragma once

#include "support/scratch.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace ob::setup {

class SetupTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    /// The job folder, which is the installation directory.
    std::string Jobs() const { return jobs_; }
    std::string InJobs(const std::string& name) const { return jobs_ + "/" + name; }
    void WriteFile(const std::string& path, const std::string& text) const;
    /// The file's contents; "(missing)" when it does not exist.
    static std::string ReadFile(const std::string& path);
    /// The setup log's entries with their thread and line numbers taken out, so
    /// "[_isInit](thread=12)(line=34): \tText\n" reads "[_isInit]: \tText\n".
    std::string Log() const;
    /// Forgets what was logged so far.
    void ClearLog() const;

    test::ScratchDir dir_;
    std::string jobs_;
};

} // namespace ob::setup
