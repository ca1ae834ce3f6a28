// "-spawn -user/-domain/-password": launching as a throw-away local account
// (needs root; skipped otherwise) and the failure reports of a refused log-on.
#include "spawn_fixture.h"

#include "common/password_mask.h"
#include "common/system_error_text.h"
#include "engine/actions/action_context.h"
#include "support/../platform/process/probe_report.h"

#include <filesystem>
#include <fstream>
#include <pwd.h>
#include <sstream>

namespace ob::test {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

class SpawnAccountTest : public SpawnTest {
protected:
    void SetUp() override {
        SpawnTest::SetUp();
        if (!account_.Valid()) {
            GTEST_SKIP() << "account tests skipped: " << account_.Reason();
        }
        fs::permissions(Scratch().Path(),
                        fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
        fs::create_directory(Path("out"));
        fs::permissions(Path("out"), fs::perms::all);
    }
    std::string Credentials(const std::string& password = "") const {
        return "-user " + account_.Name() + " -password \"" +
               (password.empty() ? account_.Password() : password) + "\"";
    }
    TemporaryAccount account_;
};

TEST_F(SpawnAccountTest, WaitedLaunchRunsAsTheAccount) {
    const std::string report = Path("out/id");
    const SpawnResult r =
        Dispatch("-spawn " + Credentials() + " -domain . -wait /bin/sh -c \"id -u > " + report +
                 "; id -G >> " + report + "\"");
    EXPECT_EQ(r.lines, Lines{"Return code(0) for /bin/sh."});
    const passwd* entry = ::getpwnam(account_.Name().c_str());
    ASSERT_NE(entry, nullptr);
    std::ifstream file(report);
    std::string uid;
    std::string groups;
    std::getline(file, uid);
    std::getline(file, groups);
    EXPECT_EQ(uid, std::to_string(entry->pw_uid));
    EXPECT_EQ(groups, std::to_string(entry->pw_gid));
}

TEST_F(SpawnAccountTest, ProfileLaunchGetsTheAccountsHome) {
    const std::string report = Path("out/profile");
    const SpawnResult r =
        Dispatch("-spawn -profile " + Credentials() + " " + ProbePath() + " " + report);
    EXPECT_TRUE(r.lines.empty());
    const auto probe = ReadProbeReport(report);
    ASSERT_TRUE(probe);
    EXPECT_EQ(probe->Env("HOME"), "/home/" + account_.Name());
}

TEST_F(SpawnAccountTest, RefusedLogOnsAreReportedAndTheJobGoesOn) {
    struct Case {
        std::string options;
        std::uint32_t error;
    };
    const std::vector<Case> cases = {
        {Credentials("wrong"), 1326},
        {"-user obnosuchuser -password x", 1326},
        {"-password " + account_.Password(), 1326},
        {Credentials() + " -domain elsewhere", 1326},
    };
    for (const Case& c : cases) {
        const std::string statement = "-spawn " + c.options + " /bin/true";
        const SpawnResult r = Dispatch(statement);
        EXPECT_EQ(r.outcome, engine::Outcome::Done);
        // The statement is quoted with its password masked.
        EXPECT_EQ(r.lines, (Lines{"Failure during spawn of: /bin/true (" +
                                      common::MaskPasswords(statement) + ").",
                                  "--" + common::SystemErrorText(c.error)}));
        EXPECT_EQ(r.launchFailures, 1u);
    }
    ASSERT_EQ(TemporaryAccount::Shell("chage -E 0 " + account_.Name()), 0);
    const std::string statement = "-spawn -wait " + Credentials() + " /bin/true";
    const SpawnResult r = Dispatch(statement);
    EXPECT_EQ(
        r.lines,
        (Lines{"Failure during spawn of: /bin/true (" + common::MaskPasswords(statement) + ").",
               "--" + common::SystemErrorText(1793), "Return code(-1) for /bin/true."}));
    EXPECT_EQ(Execute(statement), engine::RunResult::Continue);
}

} // namespace
} // namespace ob::test
