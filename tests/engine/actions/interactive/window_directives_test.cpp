#include "interactive_fixture.h"

#include "support/run_queued_job.h"

#include "engine/actions/statement_executor.h"
#include "engine/expansion/argument_tokeniser.h"
#include "engine/session/engine_messages.h"
#include "obrenta/obrenta.h"
#include "platform/desktop/send_keys.h"
#include "platform/env/environment.h"
#include "platform/msg/message_queue.h"
#include "variables/variable_manager.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <thread>

namespace ob::test {
namespace {

using engine::Outcome;

constexpr const char* kJob = "{\n-name windows\n-start -time 09:00\n-action -print x\n}\n";

class WindowDirectiveTest : public InteractiveTest {
protected:
    void SetUp() override {
        InteractiveTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) {
            return;
        }
        job_ = LoadJob(kJob);
        for (const char* title : {"Probe One", "Probe Two"}) {
            ProbeStart(title);
        }
        // Two on top, One below it (a window manager may stack new windows either way).
        desktop::XConnection connection;
        ASSERT_EQ(connection.Open(), desktop::DisplayStatus::Ok);
        ASSERT_EQ(desktop::ActivateWindow(connection, std::stoull(ids_.at(1), nullptr, 16)),
                  desktop::Activation::Activated);
    }

    void ProbeStart(const std::string& title) {
        auto child = std::make_unique<LineChild>();
        const std::string program = ProbeWindowProgram();
        const std::string className = "ObrentaProbe" + title.substr(6);
        const char* argv[] = {program.c_str(), className.c_str(), title.c_str(), nullptr};
        ASSERT_TRUE(child->Start(argv));
        std::string line;
        ASSERT_TRUE(child->WaitFor("mapped ", line, std::chrono::seconds(10)));
        ids_.push_back(line.substr(7));
        probes_.push_back(std::move(child));
    }

    static std::string Variable(const char* name) { return env::Get(name).value_or("(unset)"); }

    engine::Job* job_ = nullptr;
    std::vector<std::unique_ptr<LineChild>> probes_;
    std::vector<std::string> ids_; // hexadecimal, as the probes print them
};

TEST_F(WindowDirectiveTest, FindWindowStoresTheLastQualifyingWindow) {
    ASSERT_NE(job_, nullptr);
    desktop::XConnection connection;
    ASSERT_EQ(connection.Open(), desktop::DisplayStatus::Ok);
    const std::vector<desktop::DesktopWindow> walk = desktop::WalkWindows(connection);
    char lastOfWalk[32];
    std::snprintf(lastOfWalk, sizeof lastOfWalk, "%llx",
                  static_cast<unsigned long long>(walk.back().id));
    struct Case {
        const char* statement;
        std::string expected;
    };
    const Case cases[] = {
        {"-FindWindow W \"^Probe One$\" _", ids_[0]},
        {"-FindWindow W _ ObrentaProbeTwo", ids_[1]},
        {"-FindWindow W Probe ObrentaProbe", ids_[0]}, // One is lower in the Z order
        {"-FindWindow W ( ObrentaProbeTwo", ids_[1]},  // a bad pattern matches
        {"-FindWindow W _ _", lastOfWalk},
    };
    for (const Case& c : cases) {
        env::Remove("W");
        EXPECT_EQ(Directive(*job_, c.statement), Outcome::Done) << c.statement;
        EXPECT_EQ(Variable("W"), c.expected) << c.statement;
    }
    env::Set("W", "kept");
    EXPECT_EQ(Directive(*job_, "-FindWindow W \"Probe Three\" _"), Outcome::SoftFailure);
    EXPECT_EQ(LastError(), "No matching window found.");
    EXPECT_EQ(Variable("W"), "kept");
    EXPECT_EQ(Directive(*job_, "-FindWindow W _"), Outcome::Fatal);
    EXPECT_TRUE(HasLine(Lines(Events()), "Missing argument for directive \"-FindWindow\""));
}

TEST_F(WindowDirectiveTest, SetForegroundWindowActivatesTheStoredWindow) {
    ASSERT_NE(job_, nullptr);
    ASSERT_EQ(Directive(*job_, "-FindWindow W \"^Probe One$\" _"), Outcome::Done);
    ASSERT_EQ(Directive(*job_, "-SetForegroundWindow W"), Outcome::Done);
    desktop::XConnection connection;
    ASSERT_EQ(connection.Open(), desktop::DisplayStatus::Ok);
    char active[32];
    std::snprintf(active, sizeof active, "%llx",
                  static_cast<unsigned long long>(desktop::ActiveWindow(connection)));
    EXPECT_EQ(active, ids_[0]);

    struct Case {
        const char* value; // null: unset
        const char* lastError;
    };
    const Case cases[] = {
        {nullptr, "Parameter error."},
        {"not hex", "before"}, // fails softly, JR.LAST_ERROR unchanged
        {"7ffffff", "Unable to set foreground window."},
    };
    for (const Case& c : cases) {
        OB_GeneralError("before");
        if (c.value == nullptr) {
            env::Remove("W");
        } else {
            env::Set("W", c.value);
        }
        EXPECT_EQ(Directive(*job_, "-SetForegroundWindow W"), Outcome::SoftFailure);
        EXPECT_EQ(LastError(), c.lastError) << (c.value ? c.value : "(unset)");
    }
}

TEST_F(WindowDirectiveTest, PopupWaitsForTheBoxToBeClosed) {
    ASSERT_NE(job_, nullptr);
    // A user answers the box from outside the engine thread: find it, press Enter.
    // One who cannot takes the engine down instead, so a failure cannot hang here.
    std::atomic<bool> answered{false};
    const msg::ThreadId engineThread = msg::GetCurrentThreadId();
    std::thread user([&answered, engineThread] {
        for (int i = 0; i < 500 && !answered; ++i) {
            if (const desktop::WindowId box = WindowTitled("Obrenta"); box != 0) {
                desktop::XConnection connection;
                if (connection.Open() == desktop::DisplayStatus::Ok &&
                    desktop::ActivateWindow(connection, box) == desktop::Activation::Activated &&
                    desktop::SendKeys("~").result == desktop::SendKeysResult::Sent) {
                    answered = true;
                    break;
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        if (!answered) {
            msg::PostThreadMessage(engineThread, engine::EM_SHUTDOWN, 0, 0);
        }
    });
    const Outcome outcome = Directive(*job_, "-popup Backup finished");
    user.join();
    EXPECT_TRUE(answered);
    EXPECT_EQ(outcome, Outcome::Done);
    EXPECT_TRUE(HasLine(Lines(Events()), "Backup finished "));
    EXPECT_TRUE(Pump([] { return WindowTitled("Obrenta") == 0; }));
}

TEST_F(WindowDirectiveTest, NonInteractiveSessionsRefuseDialogsButFindWindows) {
    ASSERT_NE(job_, nullptr);
    session.flags |= SF_NON_INTERACTIVE;
    for (const char* statement : {"-alert Hello", "-popup Hello"}) {
        EXPECT_EQ(Directive(*job_, statement), Outcome::Fatal) << statement;
        const auto lines = Lines(Events());
        EXPECT_TRUE(HasLine(lines, "Interactive actions not available from this account."));
        EXPECT_FALSE(HasLine(lines, "Hello ")) << "refused before printing";
    }
    EXPECT_TRUE(engine::OpenReminders().empty());
    EXPECT_EQ(Directive(*job_, "-FindWindow W \"^Probe Two$\" _"), Outcome::Done);
    EXPECT_EQ(Variable("W"), ids_[1]);
}

// Without a server: every interactive directive fails at once, saying why.
class NoDisplayTest : public HostDirectiveTest {};

TEST_F(NoDisplayTest, InteractiveDirectivesFailAtOnce) {
    ASSERT_TRUE(LoadScript("job.jr", kJob));
    engine::Job* job = session.jobs.At(0);
    struct Case {
        const char* display; // null: unset
        const char* statement;
        Outcome outcome;
        const char* reason; // the line printed first
        const char* message;
    };
    const Case cases[] = {
        {nullptr, "-alert Call home", Outcome::Fatal, "DISPLAY is not set.",
         "Interactive actions not available from this account."},
        {":4711", "-popup Hello", Outcome::Fatal, "Cannot reach the X display :4711: ",
         "Interactive actions not available from this account."},
        {nullptr, "-FindWindow W _ _", Outcome::SoftFailure, "DISPLAY is not set.",
         "No matching window found."},
        {":4711", "-SetForegroundWindow W", Outcome::SoftFailure,
         "Cannot reach the X display :4711: ", "Unable to set foreground window."},
    };
    env::Set("W", "1a");
    for (const Case& c : cases) {
        if (c.display == nullptr) {
            env::Remove("DISPLAY");
        } else {
            env::Set("DISPLAY", c.display);
        }
        engine::ActionStatement statement;
        statement.SetText(c.statement);
        std::vector<std::string> words;
        engine::ArgumentTokeniser(statement.Text(), engine::TOKENISE_EXPAND, words);
        engine::ActionContext context{session, nullptr, statement, *job, words};
        EXPECT_EQ(engine::Dispatch(context), c.outcome) << c.statement;
        const auto lines = Lines(Events());
        EXPECT_TRUE(
            std::any_of(lines.begin(), lines.end(),
                        [&](const std::string& line) { return line.rfind(c.reason, 0) == 0; }))
            << c.statement << ": " << ::testing::PrintToString(lines);
        if (c.outcome == Outcome::Fatal) {
            EXPECT_TRUE(HasLine(lines, c.message)) << c.statement;
        } else {
            EXPECT_EQ(vars::MainStore().Get(nullptr, "JR.LAST_ERROR", vars::ENV_TRANSIENT),
                      c.message);
        }
    }
    EXPECT_TRUE(engine::OpenReminders().empty());
    EXPECT_EQ(engine::RunResult::Continue, test::RunQueuedJob(session, "windows"))
        << "the engine goes on";
    env::Remove("DISPLAY");
}

} // namespace
} // namespace ob::test
