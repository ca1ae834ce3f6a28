// Version patches applied to sample scripts of a scratch installation directory,
// and to the settings store and files they clean up.

#include "obrenta/setup.h"
#include "platform/registry/registry.h"
#include "setup/text_replacement.h"
#include "setup/version_patches.h"
#include "setup_fixture.h"

#include <filesystem>

namespace ob::setup {
namespace {

namespace fs = std::filesystem;

struct ScriptCase {
    const char* version;
    std::string config; ///< Config.jr before and after
    std::string configAfter;
    std::string autorun; ///< AutoRun.jr before and after
    std::string autorunAfter;
};

TEST_F(SetupTest, PatchesRewriteTheDirectivesOfEarlierVersions) {
    const std::string job = "{\n\t-name %ACCOUNT_NAME%\n\t-start\n}\n";
    const std::string account = "{\n\t-name %JR.ACCOUNT%\n\t-start\n}\n";
    const std::string spaces = "{\n -name SYSTEM\n -action -call \"%JR.ACCOUNT%\"\n"
                               " -name %JR.ACCOUNT%\n}\n";
    const std::string services =
        "{\n -action -print ................\n\t-action -load -internal "
        "\"%JR.SCRIPT_DIR%\"load_ftp_service.jr\n-action -call load_ftp_service\n"
        "\t-action -call load_img_service\n -action -call load_mail_service\n"
        "\t-action -call load_mail_service\n\t-action -set JR.INCLUDE_DIR=/x\n"
        "\t-action -set JR.SAMPLE_CSCRIPT_DIR=/y\n\t-action -print done\n}\n";
    const ScriptCase cases[] = {
        {"3.6.4", job, account, job, job},
        {"3.6.5", job, job, job, account},
        {"3.8.6", spaces,
         "{\n -name CONFIG::SYSTEM\n -action -call \"CONFIG::%JR.ACCOUNT%\"\n"
         " -name CONFIG::%JR.ACCOUNT%\n}\n",
         spaces,
         "{\n -name AUTORUN::SYSTEM\n -action -call \"AUTORUN::%JR.ACCOUNT%\"\n"
         " -name AUTORUN::%JR.ACCOUNT%\n}\n"},
        {"4.2.0", services,
         "{\n #-action -print ................\n\t#-action -load -internal "
         "\"%JR.SCRIPT_DIR%\"load_ftp_service.jr\n#-action -call load_ftp_service\n"
         "\t#-action -call load_img_service\n -action -call load_mail_service\n"
         "\t#-action -call load_mail_service\n\t#-action -set JR.INCLUDE_DIR=/x\n"
         "\t#-action -set JR.SAMPLE_CSCRIPT_DIR=/y\n\t-action -print done\n}\n",
         services, services},
    };
    for (const ScriptCase& c : cases) {
        // The lookup finds the scripts whatever the case of their names.
        WriteFile(InJobs("CONFIG.jr"), c.config);
        WriteFile(InJobs("AutoRun.JR"), c.autorun);
        EXPECT_EQ(Patch(c.version), 1) << c.version;
        EXPECT_EQ(ReadFile(InJobs("CONFIG.jr")), c.configAfter) << c.version;
        EXPECT_EQ(ReadFile(InJobs("AutoRun.JR")), c.autorunAfter) << c.version;
        EXPECT_NE(Log().find("[_isPatch]: Applying specific version patch to " +
                             std::string(c.version) + "...\n"),
                  std::string::npos);

        ClearLog();
        EXPECT_EQ(Patch(c.version), 1);
        EXPECT_EQ(ReadFile(InJobs("CONFIG.jr")), c.configAfter) << "twice changes nothing";
        EXPECT_EQ(ReadFile(InJobs("AutoRun.JR")), c.autorunAfter) << c.version;
        EXPECT_EQ(Log().find(" replacements in file"), std::string::npos) << Log();
        EXPECT_NE(Log().find("[_isPatch]: \tno replacements needed in file "), std::string::npos);
        ClearLog();
    }
}

TEST_F(SetupTest, AReplacementLogsItsCountAndTheFileItChanged) {
    WriteFile(InJobs("config.jr"), "-name %ACCOUNT_NAME% and -name %ACCOUNT_NAME%");
    Patch("3.6.4");
    EXPECT_EQ(Log(), "[_isPatch]: Applying specific version patch to 3.6.4...\n"
                     "[_isPatch]: \t2 replacements in file " +
                         InJobs("config.jr") + "\n");
    EXPECT_EQ(ReadFile(InJobs("config.jr")), "-name %JR.ACCOUNT% and -name %JR.ACCOUNT%")
        << "a shorter text leaves nothing of the old one behind";
}

TEST_F(SetupTest, UnknownVersionsAndMissingScriptsAreReported) {
    EXPECT_EQ(Patch("9.9.9"), 0);
    EXPECT_EQ(Patch(nullptr), 0);
    EXPECT_EQ(Log(), "[_isPatch]: Applying specific version patch to 9.9.9...\n"
                     "[_isPatch]: \tNo available patch for version 9.9.9\n"
                     "[_isPatch]: Applying specific version patch to ...\n"
                     "[_isPatch]: \tNo available patch for version \n");

    // 3.8.6 needs both scripts: without AutoRun.jr neither is changed.
    ClearLog();
    WriteFile(InJobs("Config.jr"), "-name SYSTEM");
    EXPECT_EQ(Patch("3.8.6"), 1);
    EXPECT_EQ(ReadFile(InJobs("Config.jr")), "-name SYSTEM");
    EXPECT_EQ(Log(), "[_isPatch]: Applying specific version patch to 3.8.6...\n"
                     "[_isPatch]: \tPatch Error: Cannot find " +
                         InJobs("autorun.jr") +
                         "\n"
                         "[_isPatch]: \tThis patch can only be run from the Obrenta directory\n");
}

TEST_F(SetupTest, ReplacingInAFileThatCannotBeReadFailsWithoutChanges) {
    EXPECT_EQ(ReplaceInFile(LogTag::Patch, InJobs("missing.jr"), "a", "b"),
              FileReplacement::Failed);
    fs::create_directories(InJobs("folder.jr"));
    EXPECT_EQ(ReplaceInFile(LogTag::Patch, InJobs("folder.jr"), "a", "b"), FileReplacement::Failed);
    EXPECT_EQ(Log(), "[_isPatch]: can't open file " + InJobs("missing.jr") +
                         "\n[_isPatch]: can't open file " + InJobs("folder.jr") + "\n");
}

TEST_F(SetupTest, Patch420ClearsTheServiceEntriesOfEarlierVersions) {
    const std::string product = "software\\Varndel Software\\Obrenta";
    registry::Key key;
    for (const char* service : {"mail", "ftp", "sendkeys", "greet"}) {
        ASSERT_EQ(registry::Key::Create(registry::Root::LocalMachine,
                                        product + "\\services\\" + service,
                                        registry::KEY_READ_WRITE, key),
                  registry::ERROR_SUCCESS);
    }
    WriteFile(InJobs("Config.jr"), "");
    EXPECT_EQ(Patch("4.2.0"), 1);
    std::vector<std::string> left;
    registry::Key::Open(registry::Root::LocalMachine, product + "\\services", registry::KEY_READ,
                        key);
    key.EnumSubKeys(left);
    EXPECT_EQ(left, std::vector<std::string>{"greet"}) << "a module of the user's own stays";
    for (const char* line :
         {"\tClearing MAPI email support info.\n", "\tClearing imaging support info.\n",
          "\tClearing string support info.\n", "\tClearing cscript support info.\n",
          "\tClearing FTP support info.\n", "\tClearing SendKeys support info.\n"}) {
        EXPECT_NE(Log().find(std::string("[_isPatch]: ") + line), std::string::npos) << line;
    }
}

TEST_F(SetupTest, Patch393DeletesWhatTheOldInstallerLeft) {
    registry::Key key;
    const std::string uninstall = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
    registry::Key::Create(registry::Root::LocalMachine, uninstall + "\\Obrenta",
                          registry::KEY_READ_WRITE, key);
    WriteFile(InJobs("mfc42.dll"), "x");
    WriteFile(InJobs("LICENSE.TXT"), "x");
    EXPECT_EQ(Patch("3.9.3"), 1);
    EXPECT_FALSE(fs::exists(InJobs("mfc42.dll")));
    EXPECT_FALSE(fs::exists(InJobs("LICENSE.TXT")));
    EXPECT_NE(registry::Key::Open(registry::Root::LocalMachine, uninstall + "\\Obrenta",
                                  registry::KEY_READ, key),
              registry::ERROR_SUCCESS);
    const std::string log = Log();
    for (const std::string& line : {std::string("\tOld InstallShield Reg Key deleted.\n"),
                                    "\tPatch Message: " + InJobs("mfc42.dll") + " Deleted.\n",
                                    "\tPatch Warning: Cannot find " + InJobs("Uninst.isu") + "\n",
                                    "\tPatch Message: " + InJobs("LICENSE.TXT") + " Deleted.\n"}) {
        EXPECT_NE(log.find("[_isPatch]: " + line), std::string::npos) << line << log;
    }
    ClearLog();
    Patch("3.9.3");
    EXPECT_NE(Log().find("\tUnable to delete Old InstallShield Reg Key (no access).\n"),
              std::string::npos);
}

TEST_F(SetupTest, Patch382DeletesLeftTemporaryFiles) {
    for (const char* name : {"JRX1.tmp", "jrx2.TMP", "JRX3.txt", "other.tmp"}) {
        WriteFile(dir_ / ("tmp/" + std::string(name)), "x");
    }
    EXPECT_EQ(Patch("3.8.2"), 1);
    for (const auto& [name, stays] : std::initializer_list<std::pair<const char*, bool>>{
             {"JRX1.tmp", false}, {"jrx2.TMP", false}, {"JRX3.txt", true}, {"other.tmp", true}}) {
        EXPECT_EQ(fs::exists(dir_ / ("tmp/" + std::string(name))), stays) << name;
    }
    ClearLog();
    Patch("3.8.2");
    EXPECT_NE(Log().find("\tPatch Status: Cannot find files that match " + dir_ / "tmp/JRX*.tmp"),
              std::string::npos)
        << Log();
}

TEST(ScriptReplacements, EveryPatchedVersionIsKnownAndEachReplacementInsertsItsOwnText) {
    EXPECT_EQ(PatchedVersions().size(), 6u);
    std::size_t total = 0;
    for (const std::string_view version : PatchedVersions()) {
        for (const ScriptReplacement& r : ScriptReplacementsOf(version)) {
            ++total;
            EXPECT_NE(r.from, r.to);
            EXPECT_EQ(r.to.find(r.from), std::string::npos)
                << "a replacement whose text holds the old one would grow on every run: " << r.from;
        }
    }
    EXPECT_EQ(total, 1 + 1 + 6 + (12 * 3 + 2 + 2 * 3));
}

} // namespace
} // namespace ob::setup
