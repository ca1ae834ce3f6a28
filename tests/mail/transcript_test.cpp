// Dialogues byte for byte: a scripted server on loopback plays the server's lines of
// a transcript (data/*.txt) and checks every line the engine sends.
#include "fixed_clock.h"
#include "mail/channel_options.h"
#include "mail/mail_engine.h"
#include "platform/time/clock.h"
#include "socket_server.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <fstream>
#include <memory>
#include <sys/socket.h>

namespace {

using namespace ob::mail;

class TranscriptServer {
public:
    explicit TranscriptServer(const std::string& name) {
        std::ifstream in(std::string(OB_TEST_DATA_DIR) + "/" + name);
        std::string line;
        while (std::getline(in, line)) {
            if (line.size() >= 3 && (line[0] == 'S' || line[0] == 'C') && line[1] == ':') {
                steps_.emplace_back(line[0], line.size() > 3 ? line.substr(3) : std::string());
            }
        }
        server_ = std::make_unique<ob::test::SocketServer>([this](int client) { Serve(client); });
    }

    int Port() const { return server_->Port(); }
    /// Waits for the dialogue to end; what went differently, empty when nothing did.
    std::string Differences() {
        server_->Join();
        return differences_;
    }

private:
    void Serve(int client) {
        std::string input;
        for (const auto& [who, text] : steps_) {
            if (who == 'S') {
                const std::string line = text + "\r\n";
                ::send(client, line.data(), line.size(), MSG_NOSIGNAL);
                continue;
            }
            while (input.find("\r\n") == std::string::npos) {
                char buffer[4096];
                const ssize_t got = ::recv(client, buffer, sizeof buffer, 0);
                if (got <= 0) {
                    differences_ += "expected '" + text + "', the connection ended\n";
                    return;
                }
                input.append(buffer, static_cast<std::size_t>(got));
            }
            const std::string line = input.substr(0, input.find("\r\n"));
            input.erase(0, line.size() + 2);
            if (line != text) {
                differences_ += "expected '" + text + "', got '" + line + "'\n";
            }
        }
        char rest;
        if (::recv(client, &rest, 1, 0) > 0) {
            differences_ += "the engine sent more than the transcript\n";
        }
    }

    std::vector<std::pair<char, std::string>> steps_;
    std::string differences_;
    std::unique_ptr<ob::test::SocketServer> server_;
};

class MailTranscript : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("TZ", "UTC0", 1);
        ::tzset();
        const auto now = ob::test::FixedNow();
        ob::clock::SetTestClock([now] { return now; });
        ASSERT_EQ(engine_.Attach(1), 1);
    }
    void TearDown() override {
        ob::clock::SetTestClock(nullptr);
        ::unsetenv("TZ");
        ::tzset();
    }
    MailEngine engine_;
};

TEST_F(MailTranscript, SmtpEhloLoginAndDotStuffing) {
    TranscriptServer server("smtp_ehlo_login.txt");
    ASSERT_EQ(engine_.SetInteger(0, option::kSmtpPort, server.Port()), 0);
    ASSERT_EQ(engine_.SetInteger(0, option::kExtendedSmtp, 1), 0);
    ASSERT_EQ(engine_.SetText(0, option::kAuthUser, "ann"), 0);
    ASSERT_EQ(engine_.SetText(0, option::kAuthSecret, "s3cret"), 0);
    ASSERT_EQ(engine_.SmtpConnect(0, "127.0.0.1", "Jobs<jobs@example.org>", ""), 0);
    EXPECT_EQ(engine_.SendEmail(0, "Ann<ann@example.org>", "", "<boss@example.org>", "Status",
                                "Done.\n.\n..leading dots", ""),
              0);
    EXPECT_EQ(engine_.Close(0), 0);
    EXPECT_EQ(server.Differences(), "");
}

TEST_F(MailTranscript, Pop3ApopTopAndRefusedRetrieve) {
    TranscriptServer server("pop3_apop_top.txt");
    ASSERT_EQ(engine_.SetInteger(0, option::kPop3Port, server.Port()), 0);
    ASSERT_EQ(engine_.SetInteger(0, option::kApop, 1), 0);
    ASSERT_EQ(engine_.Pop3Connect(0, "127.0.0.1", "mrose", "tanstaaf"), 0);
    EXPECT_EQ(engine_.EmailCount(0), 1);
    char buffer[256];
    EXPECT_EQ(engine_.EmailLines(0, 1, 2, buffer, sizeof buffer), 34);
    EXPECT_STREQ(buffer, "Subject: hello\r\n\r\n.first\r\nsecond\r\n");
    EXPECT_EQ(engine_.EmailFile(0, 2, "m.eml", "/tmp", "/tmp"), -64);
    EXPECT_EQ(engine_.Close(0), 0);
    EXPECT_EQ(server.Differences(), "");
}

} // namespace
