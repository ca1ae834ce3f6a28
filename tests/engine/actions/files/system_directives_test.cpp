// -log, -logfile, -date, -path, -debug, -spin and -beep.

#include "files_fixture.h"

#include "engine/actions/directive_table.h"
#include "platform/env/environment.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ob::test {
namespace {

using engine::Outcome::Done;

using SystemDirectiveTest = FilesTest;

TEST_F(SystemDirectiveTest, LogAppendsOneLinePerStatement) {
    const std::string log = Path("job.log");
    ASSERT_EQ(Call(engine::DirectiveLog, {"-log", log, "first", "line", "here"}),
              engine::Outcome::Done);
    ASSERT_EQ(Call(engine::DirectiveLog, {"-log", log}), engine::Outcome::Done);
    ASSERT_EQ(Call(engine::DirectiveLog, {"-LOG", log, "a b", "", "c"}), engine::Outcome::Done);
    EXPECT_EQ(ReadFile(log), "first line here\n\na b  c\n");
    EXPECT_TRUE(Events().empty());
}

TEST_F(SystemDirectiveTest, LogFailuresAreFatal) {
    ExpectFatal(Call(engine::DirectiveLog, {"-log"}),
                "You must supply a filename.\r\nExample: -action -load c:\\myJobs.txt");
    ExpectFatal(Call(engine::DirectiveLog, {"-log", Scratch().string(), "x"}),
                "Could not open file \"" + Scratch().string() + "\"");
    ExpectFatal(Call(engine::DirectiveLog, {"-log", Path("no/such.log"), "x"}),
                "Could not open file \"" + Path("no/such.log") + "\"");
}

TEST_F(SystemDirectiveTest, LogWriteFailureIsNotReportedAsSuccess) {
    if (::access("/dev/full", W_OK) != 0) {
        GTEST_SKIP() << "no /dev/full";
    }
    ExpectFatal(Call(engine::DirectiveLog, {"-log", "/dev/full", "lost"}),
                "Could not write file \"/dev/full\"");
}

TEST_F(SystemDirectiveTest, LogFileJoinsItsWordsTruncatesAndTellsTheHost) {
    const std::string path = WriteFile("my run.log", "old text");
    ASSERT_EQ(Call(engine::DirectiveLogFile, {"-logfile", Path("my"), "run.log", ""}),
              engine::Outcome::Done);
    EXPECT_EQ(ReadFile(path), "");
    EXPECT_EQ(session.logFile, path);
    const std::vector<HostEvent> events = Events();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].code, static_cast<std::uint32_t>(OB_EV_LOGFILE));
    EXPECT_EQ(events[0].text, path);
}

TEST_F(SystemDirectiveTest, LogFileWithoutWordsUsesTheTemporaryDirectory) {
    const std::string path = WriteFile("obrenta.log", "from an earlier run");
    ASSERT_EQ(Call(engine::DirectiveLogFile, {"-logfile"}), engine::Outcome::Done);
    EXPECT_EQ(session.logFile, path);
    EXPECT_EQ(ReadFile(path), "");
    const std::vector<HostEvent> events = Events();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].text, path);
}

TEST_F(SystemDirectiveTest, LogFileThatCannotBeOpenedIsFatalAndClearsThePath) {
    session.logFile = "/previous.log";
    const std::string path = Path("missing/run.log");
    const auto outcome = Call(engine::DirectiveLogFile, {"-logfile", path});
    EXPECT_TRUE(session.logFile.empty());
    const std::vector<HostEvent> events = Events();
    EXPECT_EQ(outcome, engine::Outcome::Fatal);
    const std::vector<std::string> lines = Lines(events);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0], "Unable to open logfile \"" + path + "\"");
    EXPECT_EQ(Count(events, OB_EV_LOGFILE), 0u);
}

TEST_F(SystemDirectiveTest, DatePrintsTheConvertedValue) {
    struct Case {
        std::vector<std::string> words;
        const char* line;
    };
    // The test runs in the C locale: 24-hour times. "Now" is 3/14/1995 12:41:29.
    const Case cases[] = {
        {{"-date", "12/25/2005"}, "Result: 12/25/2005= 12/25/2005"},
        {{"-date", "12/25/2005", "18:30:05"}, "Result: 12/25/2005 18:30:05= 12/25/2005 18:30:05"},
        {{"-date", "March", "14,", "1995"}, "Result: March 14, 1995= 3/14/1995"},
        {{"-date", "-time", "10:30"}, "Result: 10:30= 3/14/1995 10:30:00"},
        {{"-DATE", "-TIME", "12/25/2005", "07:05:09"},
         "Result: 12/25/2005 07:05:09= 3/14/1995 07:05:09"},
        {{"-date", "bogus", "text"}, "Failed to parse: bogus text"},
        {{"-date", "-time", "25:99"}, "Failed to parse: 25:99"},
        {{"-date"}, "Failed to parse: "},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(Call(engine::DirectiveDate, c.words), engine::Outcome::Done);
        EXPECT_EQ(Lines(Events()), std::vector<std::string>{c.line});
    }
}

TEST_F(SystemDirectiveTest, PathPrintsThePathVariable) {
    env::Set("PATH", "/opt/bin:/usr/bin");
    ASSERT_EQ(Call(engine::DirectivePath, {"-path"}), engine::Outcome::Done);
    EXPECT_EQ(Lines(Events()), std::vector<std::string>{"Result: /opt/bin:/usr/bin"});
    env::Remove("PATH");
    ASSERT_EQ(Call(engine::DirectivePath, {"-path", "ignored"}), engine::Outcome::Done);
    EXPECT_EQ(Lines(Events()), std::vector<std::string>{"Result: (null)"});
}

TEST_F(SystemDirectiveTest, DebugCombinesOrClearsTheOutputLevel) {
    struct Case {
        const char* before;
        const char* level;
        const char* after;
    };
    const Case cases[] = {
        {"1", "4", "5"},  {"5", "0", "0"},      {"0", "80", "80"}, {"10", " a ", "1a"},
        {"1", "zz", "0"}, {"ff", "100", "1ff"}, {"", "C", "c"},    {"3", "0x8", "b"},
    };
    for (const Case& c : cases) {
        env::Set("JR.OUTPUT_LEVEL", c.before);
        ASSERT_EQ(Call(engine::DirectiveDebug, {"-debug", c.level}), engine::Outcome::Done);
        EXPECT_EQ(Var("JR.OUTPUT_LEVEL"), c.after) << c.before << " with " << c.level;
    }
    EXPECT_TRUE(Events().empty());
    env::Set("JR.OUTPUT_LEVEL", "0");
    ExpectFatal(Call(engine::DirectiveDebug, {"-debug"}), "You must supply a debug level.");
}

TEST_F(SystemDirectiveTest, SpinBurnsTimeQuietly) {
    for (const char* count : {"0", "-5", "x", "3", "40"}) {
        EXPECT_EQ(Call(engine::DirectiveSpin, {"-spin", count}), engine::Outcome::Done) << count;
    }
    EXPECT_TRUE(Events().empty());
    ExpectFatal(Call(engine::DirectiveSpin, {"-spin"}), "You must supply a spin count.");
}

// Standard error that is not a terminal gets no bell; the directive succeeds.
TEST_F(SystemDirectiveTest, BeepRingsOnlyATerminal) {
    int pipeFds[2];
    ASSERT_EQ(::pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK), 0);
    const int savedErr = ::dup(STDERR_FILENO);
    ASSERT_GE(savedErr, 0);
    ASSERT_EQ(::dup2(pipeFds[1], STDERR_FILENO), STDERR_FILENO);
    const auto plain = Call(engine::DirectiveBeep, {"-beep"});
    const auto typed = Call(engine::DirectiveBeep, {"-beep", "48"});
    ::dup2(savedErr, STDERR_FILENO);
    ::close(savedErr);
    ::close(pipeFds[1]);
    char byte = 0;
    EXPECT_EQ(::read(pipeFds[0], &byte, 1), 0) << "nothing was written to a pipe";
    ::close(pipeFds[0]);
    EXPECT_EQ(plain, engine::Outcome::Done);
    EXPECT_EQ(typed, engine::Outcome::Done);
    EXPECT_TRUE(Events().empty());
}

} // namespace
} // namespace ob::test
