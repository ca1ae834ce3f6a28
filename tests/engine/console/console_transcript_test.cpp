// Transcripts: client bytes in, exact server bytes out, kept as data files.
//
// Each line of a transcript is a step:
//   > BYTES      the client sends BYTES
//   < BYTES      the server's next bytes are exactly BYTES
//   ~ BYTES      read until BYTES has arrived (skipping what comes before)
//   - MS         nothing arrives within MS milliseconds
//   $ closed     the server closes the connection
//   @ login      read the greeting and log in as the administrator
// BYTES may use \r \n \t \\ \xNN, {HOST} (the host name), {PROMPT} (the logged-in
// prompt) and {c*N} (the character c repeated N times). Lines starting with "#"
// and empty lines are ignored. The session's log holds "alpha one", "beta two"
// and "gamma three" when the transcript starts.

#include "console_fixture.h"

#include <fstream>
#include <sstream>

namespace ob::test {
namespace {

std::string Decode(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\\' && i + 1 < text.size()) {
            const char e = text[++i];
            if (e == 'r') {
                out += '\r';
            } else if (e == 'n') {
                out += '\n';
            } else if (e == 't') {
                out += '\t';
            } else if (e == 'x' && i + 2 < text.size()) {
                out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
                i += 2;
            } else {
                out += e;
            }
        } else if (c == '{') {
            const std::size_t close = text.find('}', i);
            const std::string macro = text.substr(i + 1, close - i - 1);
            if (macro == "HOST") {
                out += LocalHostName();
            } else if (macro == "PROMPT") {
                out += HostPrompt();
            } else if (macro.size() > 2 && macro[1] == '*') {
                out += std::string(std::stoul(macro.substr(2)), macro[0]);
            } else {
                ADD_FAILURE() << "unknown macro {" << macro << "}";
            }
            i = close;
        } else {
            out += c;
        }
    }
    return out;
}

std::string Visible(const std::string& bytes) {
    std::string out;
    for (unsigned char c : bytes) {
        if (c == '\r') {
            out += "\\r";
        } else if (c == '\n') {
            out += "\\n\n";
        } else if (c < 32 || c > 126) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02x", c);
            out += hex;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

class TranscriptTest : public ConsoleTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(TranscriptTest, ServerAnswersExactly) {
    for (const char* line : {"alpha one", "beta two", "gamma three"}) {
        ASSERT_EQ(OB_LogOutput(host_.Session(), line), OB_OK);
    }
    const std::string path = std::string(OB_TEST_DATA_DIR) + "/" + GetParam() + ".txt";
    std::ifstream file(path);
    ASSERT_TRUE(file) << path;
    auto client = Connect();
    std::string line;
    int number = 0;
    while (std::getline(file, line)) {
        ++number;
        if (line.empty() || line[0] == '#') {
            continue;
        }
        SCOPED_TRACE(path + ":" + std::to_string(number));
        const char step = line[0];
        const std::string arg = Decode(line.size() > 2 ? line.substr(2) : std::string());
        if (step == '>') {
            ASSERT_TRUE(client->Send(arg));
        } else if (step == '<') {
            const std::string got = client->Read(arg.size());
            ASSERT_EQ(Visible(got), Visible(arg));
        } else if (step == '~') {
            ASSERT_FALSE(client->ReadUntil(arg).empty()) << "never saw " << Visible(arg);
        } else if (step == '-') {
            const std::string got =
                client->ReadFor(std::chrono::milliseconds(std::stoi(line.substr(2))));
            ASSERT_EQ(Visible(got), "");
        } else if (step == '$') {
            ASSERT_TRUE(client->WaitClosed());
        } else if (step == '@') {
            ASSERT_TRUE(client->Login("admin", "secret"));
        } else {
            FAIL() << "unknown step " << line;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Console, TranscriptTest,
                         ::testing::Values("greeting_login", "commands", "log_commands",
                                           "telnet_negotiation", "overflow", "flow_control"));

} // namespace
} // namespace ob::test
