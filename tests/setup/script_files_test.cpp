// The file steps of the setup extension on a scratch installation directory:
// backing up and restoring the user's scripts, removing sample and system
// scripts, the batch functions that chain them, and their log.

#include "obrenta/setup.h"
#include "platform/installer/installer_session.h"
#include "setup/install_directory.h"
#include "setup/setup_log.h"
#include "setup_fixture.h"

#include <filesystem>
#include <regex>
#include <sys/syscall.h>
#include <unistd.h>

namespace ob::setup {
namespace {

namespace fs = std::filesystem;

TEST_F(SetupTest, BackupAndRestoreKeepTheUsersScriptsAcrossAnUpgrade) {
    WriteFile(InJobs("AutoRun.jr"), "user autorun");
    WriteFile(InJobs("config.JR"), "user config"); // names compare without regard to case
    WriteFile(InJobs("Other.jr"), "not a user script");
    EXPECT_EQ(_isBackupFile(0, 0, 0, Jobs().c_str(), 0), 1);
    EXPECT_EQ(ReadFile(InJobs("AutoRun.jr.bak")), "user autorun");
    EXPECT_EQ(ReadFile(InJobs("config.JR.bak")), "user config");
    EXPECT_FALSE(fs::exists(InJobs("Other.jr.bak")));
    EXPECT_EQ(Log(), "[_isBackupFile]: \tReady to update samples...\n"
                     "[_isBackupFile]: \tUpdate Status: Cannot find files that match " +
                         InJobs("AutoRun.tab") +
                         "\n"
                         "[_isBackupFile]: \tUpdate Status: Cannot find files that match " +
                         InJobs("User.jr") +
                         "\n"
                         "[_isBackupFile]: \tUpdate complete.\n");

    // The installation replaces the scripts; the restore puts the user's back.
    ClearLog();
    WriteFile(InJobs("AutoRun.jr"), "new sample");
    WriteFile(InJobs("config.JR"), "new sample, longer than the user's version");
    EXPECT_EQ(_isRestoreFile(0, 0, 0, Jobs().c_str(), 0), 1);
    EXPECT_EQ(ReadFile(InJobs("AutoRun.jr")), "user autorun");
    EXPECT_EQ(ReadFile(InJobs("config.JR")), "user config");
    EXPECT_EQ(ReadFile(InJobs("AutoRun.jr.bak")), "user autorun") << "the backups stay";
    EXPECT_EQ(Log(), "[_isRestoreFile]: \tUpdate Status: Cannot find files that match " +
                         InJobs("AutoRun.tab.bak") +
                         "\n"
                         "[_isRestoreFile]: \tUpdate Status: Cannot find files that match " +
                         InJobs("User.jr.bak") +
                         "\n"
                         "[_isRestoreFile]: \tUpdate complete.\n");
}

TEST_F(SetupTest, AFailedCopyIsAWarningAndLeavesTheTargetAlone) {
    WriteFile(InJobs("User.jr"), "user jobs");
    fs::create_directories(InJobs("User.jr.bak/inside")); // a folder where the copy should go
    EXPECT_EQ(_isBackupFile(0, 0, 0, Jobs().c_str(), 0), 1);
    EXPECT_NE(Log().find("[_isBackupFile]: \tUpdate Warning: Failed to backup: " +
                         InJobs("User.jr") + "\n"),
              std::string::npos)
        << Log();
    EXPECT_TRUE(fs::is_directory(InJobs("User.jr.bak/inside")));
}

TEST_F(SetupTest, ForceRemoveDeletesSampleAndSystemScriptsOnly) {
    struct Case {
        const char* name;
        bool stays;
    };
    const Case cases[] = {{"setup.jr", false},
                          {"SYSTEM.JR", false},
                          {"Sample Scripts/hello.jr", false},
                          {"Sample Scripts/notes.txt", true},
                          {"User.jr", true},
                          {"system.jr.bak", true}};
    for (const Case& c : cases) {
        WriteFile(InJobs(c.name), "x");
    }
    EXPECT_EQ(_isForceRemove(0, 0, 0, Jobs().c_str(), 0), 1);
    for (const Case& c : cases) {
        EXPECT_EQ(fs::exists(InJobs(c.name)), c.stays) << c.name;
    }
    EXPECT_EQ(Log(), "[_isForceRemove]: \tUpdate complete.\n");
}

TEST_F(SetupTest, WithoutAnInstallationDirectoryTheStepsFailAtOnce) {
    using Step = std::int32_t (*)(uintptr_t, uintptr_t, uintptr_t, const char*, uintptr_t);
    const std::string tooLong(kMaxInstallDirectory + 1, 'd');
    for (const Step step : {&_isInit, &_isBackupFile, &_isRestoreFile, &_isForceRemove}) {
        for (const char* directory : {static_cast<const char*>(nullptr), "", tooLong.c_str()}) {
            EXPECT_EQ(step(0, 0, 0, directory, 0), 0);
        }
    }
    EXPECT_EQ(InstallDirectory(), "");
    // Entries then go beside the running program.
    const std::string program = fs::read_symlink("/proc/self/exe").string();
    EXPECT_EQ(LogFilePath(), program + ".log");
}

TEST_F(SetupTest, EntriesNameTheirStepThreadAndLine) {
    WriteFile(InJobs("setup.jr"), "x");
    WriteFile(InJobs("System.jr"), "x");
    WriteFile(InJobs("Sample Scripts/a.jr"), "x");
    _isForceRemove(0, 0, 0, Jobs().c_str(), 0);
    const std::string entry = ReadFile(InJobs("obrenta.log"));
    const std::regex format(
        R"(\[_isForceRemove\]\(thread=([0-9]+)\)\(line=[1-9][0-9]*\): \tUpdate complete\.\n)");
    std::smatch match;
    ASSERT_TRUE(std::regex_match(entry, match, format)) << entry;
    EXPECT_EQ(match[1].str(), std::to_string(::syscall(SYS_gettid)));
}

TEST_F(SetupTest, BatchesReadTheInstallersPropertiesAndChainTheirSteps) {
    WriteFile(InJobs("User.jr"), "user jobs");
    WriteFile(InJobs("System.jr"), "old system jobs");
    const installer::MsiHandle install = installer::OpenSession();
    installer::MsiSetProperty(install, "INSTALLDIR", Jobs().c_str());
    EXPECT_EQ(_isBatch1(install), 1);
    EXPECT_EQ(installer::GetProperty(install, "InstallLocation"), Jobs());
    EXPECT_EQ(ReadFile(InJobs("User.jr.bak")), "user jobs");
    EXPECT_FALSE(fs::exists(InJobs("System.jr")));
    const std::string log = Log();
    const auto at = [&](const std::string& text) { return log.find(text); };
    EXPECT_LT(at("[_isShutdownObrenta]: \tShutdown complete."), at("[_isForceRemove]"));
    EXPECT_LT(at("[_isForceRemove]: \tUpdate complete."), at("[_isBackupFile]"));

    // Without INSTALLDIR the batches use InstallLocation.
    ClearLog();
    WriteFile(InJobs("User.jr"), "sample");
    installer::MsiSetProperty(install, "INSTALLDIR", nullptr);
    EXPECT_EQ(_isBatch3(install), 1);
    EXPECT_EQ(ReadFile(InJobs("User.jr")), "user jobs");
    EXPECT_LT(Log().find("[_isInit]: \tSetup complete."), Log().find("[_isRestoreFile]"));
    EXPECT_EQ(_isBatch2(install), 1);

    installer::MsiSetProperty(install, "InstallLocation", nullptr);
    EXPECT_EQ(_isBatch3(install), 0) << "no installation directory at all";
    installer::CloseSession(install);
    EXPECT_EQ(_isBatch3(install), 0) << "a closed session has no properties";
}

} // namespace
} // namespace ob::setup
