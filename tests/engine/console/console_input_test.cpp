// The input handling and Telnet parser on a connection slot without a socket, the
// command-line split, the run-time format and the usage texts.

#include "engine/console/console_commands.h"
#include "engine/console/console_connection.h"
#include "engine/console/console_help.h"
#include "engine/console/console_input.h"
#include "engine/console/job_listing.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ob::engine {
namespace {

InputResult Feed(ConsoleConnection& c, const std::string& bytes) {
    InputResult result;
    FeedInput(c, reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), result);
    return result;
}

struct InputCase {
    const char* what;
    std::string bytes;
    std::vector<std::string> lines;
    std::string reply;
    std::string left; // the unfinished input line afterwards
};

TEST(ConsoleInput, BytesBecomeLinesAndReplies) {
    const std::string iac = "\xff";
    const std::vector<InputCase> cases = {
        {"cr and lf end lines, empty ones vanish", "ab\r\ncd\n\r\r", {"ab", "cd"}, "", ""},
        {"backspace edits, also past the start", "\x08x\x08\x08yz\x08\r", {"y"}, "", ""},
        {"control bytes and NUL are ignored",
         std::string("a\0b\x01\x1b"
                     "c\r",
                     7),
         {"abc"},
         "",
         ""},
        {"WILL is refused with DONT",
         iac + "\xfb\x18"
               "a",
         {},
         iac + "\xfe\x18",
         "a"},
        {"DO and DONT are refused with WONT",
         iac + "\xfd\x01" + iac + "\xfe\x03",
         {},
         iac + "\xfc\x01" + iac + "\xfc\x03",
         ""},
        {"WONT gets no reply",
         iac + "\xfc\x01"
               "z",
         {},
         "",
         "z"},
        {"a byte below 241 after IAC is swallowed",
         iac + "\x41"
               "b",
         {},
         "",
         "b"},
        {"commands 241..249 take one byte",
         iac + "\xf4"
               "xy",
         {},
         "",
         "y"},
        {"a doubled IAC takes the next byte too", iac + iac + "qr", {}, "", "r"},
        {"sub-negotiation data is ignored up to IAC SE",
         iac +
             "\xfa\x18\x01"
             "data\r\n" +
             iac +
             "\xf0"
             "ok\r",
         {"ok"},
         "",
         ""},
        {"IAC with a command inside a sub-negotiation ends it",
         iac +
             "\xfa\x18\x01"
             "xx" +
             iac +
             "\xfb\x05"
             "k",
         {},
         iac + "\xfe\x05",
         "k"},
        {"an unfinished IAC waits", "ab" + iac, {}, "", "ab"},
        {"overflow notice at the 512th byte",
         std::string(600, 'x') + "\r",
         {"OVERFLOW " + std::string(501, 'x'), std::string(88, 'x')},
         "",
         ""},
    };
    for (const InputCase& test : cases) {
        SCOPED_TRACE(test.what);
        ConsoleConnection c;
        const InputResult result = Feed(c, test.bytes);
        EXPECT_EQ(result.lines, test.lines);
        EXPECT_EQ(result.reply, test.reply);
        EXPECT_EQ(c.inputLine, test.left);
    }
}

TEST(ConsoleInput, XoffPausesAndXonResumes) {
    ConsoleConnection c;
    Feed(c, "a\x13");
    EXPECT_TRUE(c.paused);
    Feed(c, "b\x11");
    EXPECT_FALSE(c.paused);
    EXPECT_EQ(c.inputLine, "ab");
}

TEST(ConsoleInput, StateSurvivesChunkBoundaries) {
    ConsoleConnection c;
    std::string reply;
    std::vector<std::string> lines;
    const std::string stream = "us\xff\xfb\x18"
                               "er\xff\xfa\x18\x01zz\xff\xf0"
                               "\r\n";
    for (char byte : stream) {
        const InputResult r = Feed(c, std::string(1, byte));
        reply += r.reply;
        lines.insert(lines.end(), r.lines.begin(), r.lines.end());
    }
    EXPECT_EQ(lines, std::vector<std::string>{"user"});
    EXPECT_EQ(reply, "\xff\xfe\x18");
}

TEST(ConsoleInput, EndlessInputStaysBounded) {
    ConsoleConnection c;
    // A long sub-negotiation and a long line without an end.
    const std::string sb = "\xff\xfa\x18\x01" + std::string(100000, 'd');
    Feed(c, sb);
    EXPECT_EQ(c.inputLine, "");
    Feed(c, "\xff\xf0");
    std::size_t lines = 0;
    for (int i = 0; i < 100; ++i) {
        lines += Feed(c, std::string(1000, 'y')).lines.size();
        EXPECT_LE(c.inputLine.size(), kMaxLineLength + 1);
    }
    EXPECT_GT(lines, 150u);
}

TEST(ConsoleOutputQueue, FrontAndBackKeepByteCountAndCap) {
    ConsoleConnection c;
    c.QueueBack("one");
    c.QueueFront("zero");
    c.QueueBack("");
    EXPECT_EQ(c.queuedBytes, 7u);
    EXPECT_EQ(c.PopFront(), "zero");
    c.Unsend("ro");
    EXPECT_EQ(c.PopFront(), "ro");
    EXPECT_EQ(c.queuedBytes, 3u);
    EXPECT_FALSE(c.overfull);
    c.QueueBack(std::string(ConsoleConnection::kMaxQueuedBytes, 'q'));
    EXPECT_TRUE(c.overfull);
    c.Reset();
    EXPECT_EQ(c.queuedBytes, 0u);
    EXPECT_FALSE(c.overfull);
    EXPECT_EQ(c.loginState, kExpectUser);
}

TEST(CommandLine, SplitsCommandFirstAndLastWord) {
    struct Case {
        const char* line;
        const char* command;
        const char* first;
        const char* last;
    };
    for (const Case& test : std::vector<Case>{
             {"list", "list", "", ""},
             {"  list \t -ts  job.* ", "list", "-ts", "job.*"},
             {"kill a b c", "kill", "a", "c"},
             {"find\tpattern", "find", "pattern", "pattern"},
             {"pass word", "pass", "word", "word"},
         }) {
        SCOPED_TRACE(test.line);
        const CommandWords words = SplitCommandLine(test.line);
        EXPECT_EQ(words.command, test.command);
        EXPECT_EQ(words.first, test.first);
        EXPECT_EQ(words.last, test.last);
    }
}

TEST(JobListing, RunTimeFields) {
    EXPECT_EQ(FormatRunTime(0), "Dys=0, Hrs=0, Mns=0, Sds=0, Ms=0");
    EXPECT_EQ(FormatRunTime(1234), "Dys=0, Hrs=0, Mns=0, Sds=1, Ms=234");
    EXPECT_EQ(FormatRunTime(999), "Dys=0, Hrs=0, Mns=0, Sds=0, Ms=999");
    // A whole minute and a half second: the milliseconds field is the remainder.
    EXPECT_EQ(FormatRunTime(60500), "Dys=0, Hrs=0, Mns=1, Sds=0, Ms=500");
    EXPECT_EQ(FormatRunTime(90061001), "Dys=1, Hrs=1, Mns=1, Sds=1, Ms=1");
}

TEST(ConsolePrompt, ByLoginState) {
    EXPECT_EQ(Prompt(kExpectUser), "Username: ");
    EXPECT_EQ(Prompt(kExpectPassword), "Password: ");
    const std::string prompt = Prompt(kLoggedIn);
    EXPECT_EQ(prompt.rfind("OB:", 0), 0u);
    EXPECT_EQ(prompt.substr(prompt.size() - 2), "> ");
    EXPECT_EQ(Greeting().substr(Greeting().size() - 10), "Username: ");
}

TEST(ConsoleHelp, TopicsIgnoreCase) {
    EXPECT_EQ(HelpText("KILL"),
              (std::vector<std::string>{"Usage: kill <regexp>\r\n",
                                        "Reason: Kill Jobs matching regexp.\r\n"}));
    EXPECT_TRUE(HelpText("nothing").empty());
    EXPECT_EQ(HelpText("").size(), 10u + 28u); // ten blocks, each closed by "\r\n"
}

} // namespace
} // namespace ob::engine
