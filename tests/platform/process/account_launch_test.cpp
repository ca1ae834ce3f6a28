// Logging accounts on through PAM and launching programs as them. These tests
// make a throw-away local account and so need root; they skip otherwise.
#include "platform/process/child_reaper.h"
#include "platform/security/launch_as_user.h"
#include "platform/security/logon.h"
#include "probe_report.h"
#include "support/scratch.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <pwd.h>
#include <sstream>
#include <thread>

namespace ob::security {
namespace {

namespace fs = std::filesystem;
using process::CP_ASYNC;
using process::CP_NTI;
using process::CP_PROFILE;
using process::LaunchOutcome;

class AccountTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!account_.Valid()) {
            GTEST_SKIP() << "account tests skipped: " << account_.Reason();
        }
        ASSERT_FALSE(dir_.Path().empty());
        // A folder the account may write its reports into.
        fs::permissions(dir_.Path(),
                        fs::perms::owner_all | fs::perms::others_exec | fs::perms::group_exec);
        out_ = dir_ / "out";
        fs::create_directory(out_);
        fs::permissions(out_, fs::perms::all);
    }
    std::string Out(const std::string& name) const { return out_ + "/" + name; }
    LaunchOutcome AsUser(std::uint32_t flags, const std::string& line,
                         const std::string& password = "", const std::string& user = "") {
        LaunchOutcome outcome;
        LaunchAsUser(flags, user.empty() ? account_.Name() : user, "",
                     password.empty() ? account_.Password() : password, line, outcome);
        return outcome;
    }
    static std::string Read(const std::string& path) {
        std::ifstream file(path);
        std::stringstream text;
        text << file.rdbuf();
        return text.str();
    }

    test::TemporaryAccount account_;
    test::ScratchDir dir_;
    std::string out_;
};

TEST_F(AccountTest, LogonGivesTheAccountsToken) {
    Token token;
    ASSERT_EQ(LogonUser(account_.Name(), "", account_.Password(), LOGON_INTERACTIVE, token), 0u);
    const passwd* entry = ::getpwnam(account_.Name().c_str());
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(token.user, account_.Name());
    EXPECT_EQ(token.uid, entry->pw_uid);
    EXPECT_EQ(token.gid, entry->pw_gid);
    EXPECT_EQ(token.home, entry->pw_dir);
    EXPECT_NE(std::find(token.groups.begin(), token.groups.end(), entry->pw_gid),
              token.groups.end());
    EXPECT_FALSE(IsAdministrator(token, ""));
    Token again;
    EXPECT_EQ(LogonUser(account_.Name(), ".", account_.Password(), LOGON_NETWORK_CLEARTEXT, again),
              0u);
}

TEST_F(AccountTest, LogonRefusals) {
    Token token;
    EXPECT_EQ(LogonUser(account_.Name(), "", "wrong password", LOGON_INTERACTIVE, token), 1326u);
    EXPECT_EQ(
        LogonUser("obnosuchuser" + std::to_string(::getpid()), "", "x", LOGON_INTERACTIVE, token),
        1326u);
    EXPECT_EQ(LogonUser(account_.Name(), "FARAWAY", account_.Password(), LOGON_INTERACTIVE, token),
              1326u);
    EXPECT_EQ(LogonUser(account_.Name(), "", account_.Password(), 77, token), 87u);
    ASSERT_EQ(test::TemporaryAccount::Shell("chage -E 0 " + account_.Name()), 0);
    EXPECT_EQ(LogonUser(account_.Name(), "", account_.Password(), LOGON_INTERACTIVE, token), 1793u);
}

TEST_F(AccountTest, AdministratorsAreRootOrTheGroupsMembers) {
    Token root;
    ASSERT_EQ(AccountToken("root", root), 0u);
    EXPECT_TRUE(IsAdministrator(root, ""));
    const std::string group = "obg" + std::to_string(::getpid());
    ASSERT_EQ(test::TemporaryAccount::Shell("groupadd " + group), 0);
    ASSERT_EQ(test::TemporaryAccount::Shell("usermod -a -G " + group + " " + account_.Name()), 0);
    Token token;
    EXPECT_EQ(AccountToken(account_.Name(), token), 0u);
    EXPECT_TRUE(IsAdministrator(token, group));
    EXPECT_FALSE(IsAdministrator(token, "obnosuchgroup"));
    test::TemporaryAccount::Shell("groupdel " + group);
}

TEST_F(AccountTest, ChildRunsWithTheAccountsIdentity) {
    const std::string report = Out("id");
    const LaunchOutcome outcome =
        AsUser(0, "/bin/sh -c \"id -u > " + report + "; id -G >> " + report + "; exit 5\"");
    ASSERT_TRUE(outcome.success) << outcome.error;
    EXPECT_EQ(outcome.exitCode, 5);
    Token token;
    ASSERT_EQ(AccountToken(account_.Name(), token), 0u);
    std::string groups;
    std::vector<gid_t> sorted = token.groups;
    std::sort(sorted.begin(), sorted.end());
    std::stringstream text(Read(report));
    std::string uid;
    std::getline(text, uid);
    EXPECT_EQ(uid, std::to_string(token.uid));
    std::string idG;
    std::getline(text, idG);
    std::stringstream listed(idG);
    std::vector<gid_t> got;
    for (gid_t g; listed >> g;) {
        got.push_back(g);
    }
    std::sort(got.begin(), got.end());
    got.erase(std::unique(got.begin(), got.end()), got.end());
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
    EXPECT_EQ(got, sorted);
}

TEST_F(AccountTest, ProfileLaunchUsesAPamSessionAndTheAccountsEnvironment) {
    const std::string report = Out("profile");
    const LaunchOutcome outcome = AsUser(CP_PROFILE, test::ProbePath() + " " + report);
    ASSERT_TRUE(outcome.success) << outcome.error;
    const auto probe = test::ReadProbeReport(report);
    ASSERT_TRUE(probe);
    const passwd* entry = ::getpwnam(account_.Name().c_str());
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(probe->One("uid"), std::to_string(entry->pw_uid));
    EXPECT_EQ(probe->Env("HOME"), std::string(entry->pw_dir));
    EXPECT_EQ(probe->Env("USER"), account_.Name());
    EXPECT_EQ(probe->Env("LOGNAME"), account_.Name());
}

TEST_F(AccountTest, AsynchronousAccountChildrenAreReaped) {
    for (const std::uint32_t flags : {CP_ASYNC, CP_ASYNC | CP_PROFILE}) {
        const LaunchOutcome outcome = AsUser(flags, "/bin/true");
        ASSERT_TRUE(outcome.success) << outcome.error;
    }
    for (int i = 0; i < 500 && (process::PendingChildren() != 0 || test::ZombieChildren() != 0);
         ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_EQ(process::PendingChildren(), 0u);
    EXPECT_EQ(test::ZombieChildren(), 0u);
}

TEST_F(AccountTest, LaunchFailures) {
    const LaunchOutcome nti = AsUser(CP_NTI, "/bin/true");
    EXPECT_FALSE(nti.success);
    EXPECT_EQ(nti.error, 0u);
    EXPECT_EQ(AsUser(0, "/bin/true", "bad password").error, 1326u);
    EXPECT_EQ(AsUser(0, "/bin/true", "", "obnosuchuser").error, 1326u);
    EXPECT_EQ(AsUser(0, "ob-no-such-program-here").error, 2u);
    EXPECT_EQ(AsUser(CP_PROFILE, "ob-no-such-program-here").error, 2u);
    // A program the account may not run: root's private folder.
    const std::string secret = dir_ / "secret.sh";
    std::ofstream(secret) << "#!/bin/sh\nexit 0\n";
    fs::permissions(secret, fs::perms::owner_all);
    EXPECT_EQ(AsUser(0, secret).error, 5u);
    ASSERT_EQ(test::TemporaryAccount::Shell("chage -E 0 " + account_.Name()), 0);
    EXPECT_EQ(AsUser(0, "/bin/true").error, 1793u);
}

} // namespace
} // namespace ob::security
