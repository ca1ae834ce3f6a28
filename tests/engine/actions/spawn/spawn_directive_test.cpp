// "-spawn": options and their removal from the command line, warnings, waited
// launches and their return code, the failure reports, the shell launch.
#include "spawn_fixture.h"

#include "common/system_error_text.h"
#include "engine/actions/action_context.h"
#include "platform/env/environment.h"
#include "platform/process/child_reaper.h"
#include "support/../platform/process/probe_report.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <thread>
#include <unistd.h>

namespace ob::test {
namespace {

namespace fs = std::filesystem;
using engine::Outcome::Done;
using engine::Outcome::Fatal;
using Lines = std::vector<std::string>;

TEST_F(SpawnTest, WaitedLaunchSetsTheReturnCodeAndSaysIt) {
    const SpawnResult r = Dispatch("-spawn -wait sh -c \"exit 3\"");
    EXPECT_EQ(r.outcome, engine::Outcome::Done);
    EXPECT_EQ(r.lines, Lines{"Return code(3) for sh."});
    EXPECT_EQ(r.launchFailures, 0u);
    EXPECT_EQ(Var("JR.COMMAND_RETURN"), "3");
    EXPECT_FALSE(Var("JR.LAST_ERROR"));
}

TEST_F(SpawnTest, StatementTextIsExpandedBeforeTheLaunch) {
    env::Set("OB_EXIT_CODE", "7");
    const SpawnResult r = Dispatch("-spawn -WAIT sh -c \"exit %OB_EXIT_CODE%\"");
    EXPECT_EQ(r.lines, Lines{"Return code(7) for sh."});
    EXPECT_EQ(Var("JR.COMMAND_RETURN"), "7");
}

TEST_F(SpawnTest, AsynchronousLaunchPrintsNothing) {
    const std::string report = Path("async");
    const SpawnResult r = Dispatch("-spawn " + ProbePath() + " " + report);
    EXPECT_EQ(r.outcome, engine::Outcome::Done);
    EXPECT_TRUE(r.lines.empty());
    EXPECT_EQ(r.launchFailures + r.otherEvents, 0u);
    EXPECT_FALSE(Var("JR.COMMAND_RETURN"));
    EXPECT_TRUE(ReadProbeReport(report));
}

TEST_F(SpawnTest, OptionWordsQuotedOrNotLeaveTheCommandLineAsWritten) {
    const std::string report = Path("options");
    const SpawnResult r = Dispatch("-spawn  -WAIT \"-hide\" -minimize -wait_idle " + ProbePath() +
                                   " " + report + " 4 \"x y\",z \"-wait\"");
    EXPECT_EQ(r.lines, Lines{"Return code(4) for " + ProbePath() + "."});
    const auto probe = ReadProbeReport(report);
    ASSERT_TRUE(probe);
    EXPECT_EQ(probe->All("arg"), (Lines{ProbePath(), report, "4", "x y,z", "-wait"}));
}

TEST_F(SpawnTest, WaitWithDetachWarnsAndWaitsAttached) {
    const std::string report = Path("detach");
    const SpawnResult r = Dispatch("-spawn -wait -detach " + ProbePath() + " " + report);
    EXPECT_EQ(r.lines,
              (Lines{"Warning: You cannot combine -wait and -detach",
                     "Try: -wait and -hide instead", "Return code(0) for " + ProbePath() + "."}));
    const auto probe = ReadProbeReport(report);
    ASSERT_TRUE(probe);
    EXPECT_EQ(probe->One("session"), std::to_string(::getsid(0)));
}

TEST_F(SpawnTest, DetachedAsynchronousLaunchGetsItsOwnSession) {
    const std::string report = Path("detached");
    EXPECT_TRUE(Dispatch("-spawn -detach " + ProbePath() + " " + report).lines.empty());
    const auto probe = ReadProbeReport(report);
    ASSERT_TRUE(probe);
    EXPECT_EQ(probe->One("session"), probe->One("pid"));
}

TEST_F(SpawnTest, MissingProgramEndsTheRunAsRuntimeSays) {
    for (const std::string text :
         {"-spawn", "-spawn -wait -hide", "-spawn -user someone", "-spawn -wait -password"}) {
        const SpawnResult r = Dispatch(text);
        EXPECT_EQ(r.outcome, engine::Outcome::Fatal) << text;
        EXPECT_EQ(r.lines, Lines{"Failure during spawn. Missing program name: (" + text + ")."});
        EXPECT_EQ(r.launchFailures, 1u);
        EXPECT_EQ(r.scriptErrors, 0u) << "not a fatal-error report";
    }
    EXPECT_EQ(Execute("-spawn -wait"), engine::RunResult::Abort);
    job.SetVariable("$RUNTIME=continue");
    EXPECT_EQ(Execute("-spawn -wait"), engine::RunResult::Continue);
}

TEST_F(SpawnTest, AsynchronousFailuresAreReportedAndTheJobGoesOn) {
    const std::string folder = Path("folder");
    fs::create_directory(folder);
    const std::string text = Path("text.txt");
    std::ofstream(text) << "not a program\n";
    struct Case {
        std::string program;
        std::uint32_t error;
    };
    for (const Case& c : {Case{"ob-no-such-program", 2}, Case{folder, 5}, Case{text, 5}}) {
        const std::string statement = "-spawn " + c.program + " an argument";
        const SpawnResult r = Dispatch(statement);
        EXPECT_EQ(r.outcome, engine::Outcome::Done);
        EXPECT_EQ(r.lines, (Lines{"Failure during spawn of: " + c.program + " (" + statement + ").",
                                  "--" + common::SystemErrorText(c.error)}));
        EXPECT_EQ(r.launchFailures, 1u);
    }
    EXPECT_EQ(common::SystemErrorText(2), "The system cannot find the file specified.");
    EXPECT_FALSE(Var("JR.LAST_ERROR"));
    EXPECT_FALSE(Var("JR.COMMAND_RETURN"));
    EXPECT_EQ(Execute("-spawn ob-no-such-program"), engine::RunResult::Continue);
}

TEST_F(SpawnTest, WaitedFailureIsReportedWithReturnCodeMinusOne) {
    const SpawnResult r = Dispatch("-spawn -wait ob-no-such-program");
    EXPECT_EQ(r.outcome, engine::Outcome::Done);
    EXPECT_EQ(r.lines, (Lines{"Failure during spawn of: ob-no-such-program (-spawn -wait "
                              "ob-no-such-program).",
                              "--The system cannot find the file specified.",
                              "Return code(-1) for ob-no-such-program."}));
    EXPECT_EQ(r.launchFailures, 1u);
    EXPECT_EQ(Var("JR.COMMAND_RETURN"), "-1");
}

TEST_F(SpawnTest, UnquotedCommaEndsTheProgramWord) {
    fs::create_directories(Path("a,b"));
    fs::create_directory(Path("a"));
    const std::string statement = "-spawn " + Path("a,b/prog");
    const SpawnResult r = Dispatch(statement);
    EXPECT_EQ(r.lines, (Lines{"Failure during spawn of: " + Path("a") + " (" + statement + ").",
                              "--Access is denied."}));
}

TEST_F(SpawnTest, ThousandAsynchronousSpawnsLeaveNoZombiesOrDescriptors) {
    const std::size_t before = OpenDescriptors();
    for (int i = 0; i < 1000; ++i) {
        const SpawnResult r = Dispatch("-spawn /bin/true");
        ASSERT_TRUE(r.lines.empty()) << r.lines.front();
    }
    for (int i = 0; i < 1500 && (process::PendingChildren() != 0 || ZombieChildren() != 0); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_EQ(process::PendingChildren(), 0u);
    EXPECT_EQ(ZombieChildren(), 0u);
    EXPECT_LE(OpenDescriptors(), before + 1); // the reaper's epoll descriptor
}

// Whatever a failure prints about the statement, its password shows as ********.
TEST_F(SpawnTest, PasswordNeverAppearsInWhatIsPrinted) {
    env::Set("JR.OUTPUT_LEVEL", "1");
    struct Case {
        std::string statement;
        std::string line; ///< a line that must be printed
    };
    const Case cases[] = {
        {"-spawn -user ob-no-such-user -password s3cret /bin/true",
         "Failure during spawn of: /bin/true (-spawn -user ob-no-such-user -password ******** "
         "/bin/true)."},
        {"-spawn -PASSWORD \"s3cret words\"",
         "Failure during spawn. Missing program name: (-spawn -PASSWORD ********)."},
        {"-spawn -password s3cret -shell " + Path("missing.txt"),
         "Failure during shell of: " + Path("missing.txt") + " (-spawn -password ******** -shell " +
             Path("missing.txt") + ")."},
        {"-frobnicate -password s3cret", "[Statement->\"-frobnicate -password ********\"]"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.statement);
        const SpawnResult r = Dispatch(c.statement);
        EXPECT_NE(std::find(r.lines.begin(), r.lines.end(), c.line), r.lines.end());
        for (const std::string& line : r.lines) {
            EXPECT_EQ(line.find("s3cret"), std::string::npos) << line;
        }
    }
}

class SpawnShellTest : public SpawnTest {
protected:
    void SetUp() override {
        SpawnTest::SetUp();
        fs::create_directories(Path("bin"));
        env::Set("PATH", Path("bin"));
        document_ = Path("doc.txt");
        std::ofstream(document_) << "hello\n";
    }
    void InstallOpener() {
        const std::string opener = Path("bin/xdg-open");
        std::ofstream(opener) << "#!/bin/sh\necho \"$1\" > " << Path("opened.part") << "\n/bin/mv "
                              << Path("opened.part") << " " << Path("opened") << "\nexit 9\n";
        fs::permissions(opener, fs::perms::owner_all);
    }
    std::string document_;
};

TEST_F(SpawnShellTest, ShellLaunchSetsNoReturnCodeEvenWhenWaited) {
    InstallOpener();
    const SpawnResult r = Dispatch("-spawn -shell -wait -detach \"" + document_ + "\"");
    EXPECT_EQ(r.outcome, engine::Outcome::Done);
    EXPECT_EQ(r.lines, Lines{"Warning: You cannot combine -detach with -shell"});
    EXPECT_FALSE(Var("JR.COMMAND_RETURN"));
    std::ifstream opened(Path("opened"));
    std::string line;
    std::getline(opened, line);
    EXPECT_EQ(line, document_);
}

TEST_F(SpawnShellTest, ShellFailuresAreReported) {
    InstallOpener();
    const std::string missing = Path("missing.txt");
    const std::string statement = "-spawn -shell " + missing;
    SpawnResult r = Dispatch(statement);
    EXPECT_EQ(r.outcome, engine::Outcome::Done);
    EXPECT_EQ(r.lines, (Lines{"Failure during shell of: " + missing + " (" + statement + ").",
                              "--The system cannot find the file specified."}));
    EXPECT_EQ(r.launchFailures, 1u);

    fs::remove(Path("bin/xdg-open"));
    r = Dispatch("-spawn -shell -wait " + document_);
    EXPECT_EQ(
        r.lines,
        (Lines{"Failure during shell of: " + document_ + " (-spawn -shell -wait " + document_ +
                   ").",
               "--No application is associated with the specified file for this operation."}));
    EXPECT_FALSE(Var("JR.COMMAND_RETURN"));
}

} // namespace
} // namespace ob::test
