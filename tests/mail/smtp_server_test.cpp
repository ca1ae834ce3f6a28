// Sending through the engine to real SMTP servers on loopback: aiosmtpd (started and
// stopped by each test), and small socket servers for stalls and overlong replies.
#include "loopback_server.h"
#include "mail/channel_options.h"
#include "mail/mail_engine.h"
#include "mail_files.h"
#include "scratch.h"
#include "socket_server.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <filesystem>
#include <fstream>
#include <netinet/in.h>
#include <sstream>
#include <sys/socket.h>
#include <thread>

namespace {

using namespace ob::mail;
namespace fs = std::filesystem;
using ob::test::Names;
using ob::test::ReadAll;

using ob::test::SocketServer;

class MailSmtp : public ::testing::Test {
protected:
    void SetUp() override {
        if (!ob::test::PythonHas("aiosmtpd")) {
            GTEST_SKIP() << "needs Debian's python3-aiosmtpd for /usr/bin/python3";
        }
        ASSERT_EQ(engine_.Attach(4), 1);
        fs::create_directories(maildir_);
        ASSERT_EQ(engine_.SetText(0, option::kLogFile, log_), 0);
    }

    // Starts aiosmtpd with `extra` options and points channel 0 at its port.
    void StartServer(std::vector<std::string> extra = {}) {
        std::vector<std::string> argv{ob::test::kSystemPython,
                                      ob::test::MailTestScript("smtp_server.py"), "--maildir",
                                      maildir_.string()};
        argv.insert(argv.end(), extra.begin(), extra.end());
        server_.reset();
        fs::remove(dir_ / "port");
        server_ = std::make_unique<ob::test::LoopbackServer>(argv, dir_ / "port");
        ASSERT_NE(server_->Port(), 0) << "the SMTP test server did not start";
        ASSERT_EQ(engine_.SetInteger(0, option::kSmtpPort, server_->Port()), 0);
    }

    void MakeCertificate() {
        ASSERT_TRUE(ob::test::MakeCertificate(cert_, key_))
            << "openssl could not make a certificate";
    }

    std::int32_t Send(const std::string& to, const std::string& attachments = "",
                      const std::string& server = "127.0.0.1") {
        const std::int32_t connected = engine_.SmtpConnect(0, server, from_, from_);
        if (connected < 0) {
            return connected;
        }
        return engine_.SendEmail(0, to, "", "", "Report", "Body text.", attachments);
    }

    std::string Log() const { return ReadAll(log_); }
    std::size_t Received() const {
        std::size_t count = 0;
        for (const auto& entry : fs::directory_iterator(maildir_)) {
            count += entry.path().extension() == ".eml" ? 1 : 0;
        }
        return count;
    }

    ob::test::ScratchDir dir_;
    fs::path maildir_ = dir_.Path() / "received";
    std::string log_ = dir_ / "mail.log";
    std::string cert_ = dir_ / "cert.pem";
    std::string key_ = dir_ / "key.pem";
    std::string from_ = "Jobs<jobs@example.org>";
    MailEngine engine_;
    std::unique_ptr<ob::test::LoopbackServer> server_;
};

TEST_F(MailSmtp, TwoAttachmentsArriveAndParseBackByteIdentical) {
    StartServer();
    std::string binary;
    for (int i = 0; i < 100000; ++i) {
        binary += static_cast<char>((i * 131 + i / 7) & 0xff);
    }
    const std::string first = dir_ / "data.bin";
    const std::string second = dir_ / "Picture.JPG";
    std::ofstream(first, std::ios::binary) << binary;
    std::ofstream(second, std::ios::binary) << std::string("\xff\xd8\xff\xe0\r\n.\r\n", 9);
    ASSERT_EQ(engine_.SmtpConnect(0, "localhost", from_, from_), 0);
    ASSERT_EQ(engine_.SendEmail(0, "Ann<ann@example.org>", "<cc@example.org>",
                                "<hidden@example.org>", "Nightly report",
                                "Totals attached.\n.\nEnd.", first + ";" + second),
              0);
    EXPECT_EQ(engine_.Close(0), 0);

    const fs::path parsed = dir_.Path() / "parsed";
    fs::create_directories(parsed);
    const std::string command = std::string(ob::test::kSystemPython) + " " +
                                ob::test::MailTestScript("parse_message.py") + " " +
                                (maildir_ / "1.eml").string() + " " + parsed.string();
    ASSERT_EQ(std::system(command.c_str()), 0) << ReadAll(maildir_ / "1.eml");
    EXPECT_EQ(ReadAll(parsed / "data.bin"), binary);
    EXPECT_EQ(ReadAll(parsed / "Picture.JPG"), std::string("\xff\xd8\xff\xe0\r\n.\r\n", 9));
    EXPECT_EQ(ReadAll(parsed / "text.txt"), "Totals attached.\n.\nEnd.");
    const std::string headers = ReadAll(parsed / "headers.txt");
    EXPECT_NE(headers.find("Subject: Nightly report\n"), std::string::npos) << headers;
    EXPECT_EQ(headers.find("hidden"), std::string::npos) << headers;
    EXPECT_EQ(ReadAll(maildir_ / "1.env"),
              "jobs@example.org\nann@example.org\ncc@example.org\nhidden@example.org\n");
    const std::string log = Log();
    for (const char* line : {"*** seeSmtpConnect\n", "Server = 'localhost'\n", "Greeting seen\n",
                             "-> HELO example.org\n", "-> MAIL FROM:<jobs@example.org>\n",
                             "-> RCPT TO:<hidden@example.org>\n", "-> QUIT\n"}) {
        EXPECT_NE(log.find(line), std::string::npos) << line << log;
    }
}

TEST_F(MailSmtp, AuthenticatesWithTheFirstOfferedAndEnabledMechanism) {
    const struct {
        const char* offered;
        std::int64_t enabled;
        const char* secret;
        std::int32_t result;
        const char* logged;
    } cases[] = {
        {"CRAM-MD5 LOGIN PLAIN", 7, "s3cret", 0, "AUTH CRAM-MD5 ok"},
        {"LOGIN PLAIN", 7, "s3cret", 0, "AUTH LOGIN ok"},
        {"CRAM-MD5 LOGIN PLAIN", 4, "s3cret", 0, "AUTH PLAIN ok"},
        {"CRAM-MD5 LOGIN PLAIN", 2, "wrong", -49, "-> AUTH LOGIN"},
        {"CRAM-MD5", 6, "s3cret", -49, "No protocols!"}, // unauthenticated: refused
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.offered) + " / " + std::to_string(c.enabled));
        fs::remove(log_);
        StartServer({"--auth", "ann:s3cret", "--mechanisms", c.offered});
        ASSERT_EQ(engine_.SetInteger(0, option::kExtendedSmtp, 1), 0);
        ASSERT_EQ(engine_.SetInteger(0, option::kAuthMechanisms, c.enabled), 0);
        ASSERT_EQ(engine_.SetText(0, option::kAuthUser, "ann"), 0);
        ASSERT_EQ(engine_.SetText(0, option::kAuthSecret, c.secret), 0);
        EXPECT_EQ(Send("<ann@example.org>"), c.result);
        const std::string log = Log();
        EXPECT_NE(log.find(c.logged), std::string::npos) << log;
        EXPECT_EQ(log.find(c.secret), std::string::npos) << "the secret reached the log";
        (void)engine_.Close(0);
        server_.reset();
    }
}

TEST_F(MailSmtp, RejectedRecipientFailsTheSend) {
    StartServer({"--reject", "nobody@example.org"});
    EXPECT_EQ(Send("<ann@example.org>;<nobody@example.org>"), -49);
    EXPECT_EQ(engine_.ErrorText(0, -49), "SMTP returned error.");
    EXPECT_NE(Log().find("ERROR(0): SockCode=0 SeeCode=-49 PrevState=21 ThisState=22 NextState=23"),
              std::string::npos)
        << Log();
    EXPECT_EQ(Received(), 0u);
}

TEST_F(MailSmtp, BadInputIsRefusedBeforeAnythingIsSent) {
    StartServer();
    const std::string missing = dir_ / "missing.pdf";
    ASSERT_EQ(engine_.SmtpConnect(0, "127.0.0.1", "jobs@example.org", ""), 0);
    EXPECT_EQ(engine_.SendEmail(0, "<ann@example.org>", "", "", "s", "t", ""), -41);
    ASSERT_EQ(engine_.SmtpConnect(0, "127.0.0.1", from_, ""), 0);
    EXPECT_EQ(engine_.SendEmail(0, "", " ; ", "", "s", "t", ""), -45);
    EXPECT_EQ(engine_.SendEmail(0, "ann@example.org", "", "", "s", "t", ""), -41);
    EXPECT_EQ(engine_.SendEmail(0, "<ann@example.org>", "", "", "s", "t", missing), -35);
    EXPECT_EQ(engine_.ErrorText(0, -35), "Cannot open file " + missing);
    EXPECT_EQ(engine_.SendEmail(0, "<ann@example.org>", "", "", "s", "@" + missing, ""), -35);
    EXPECT_EQ(engine_.Close(0), 0);
    EXPECT_EQ(Received(), 0u);
    EXPECT_EQ(Log().find("MAIL FROM"), std::string::npos);
}

TEST_F(MailSmtp, MessageTextFromAFile) {
    StartServer();
    const std::string text = dir_ / "body.txt";
    std::ofstream(text) << "From the file.\n";
    ASSERT_EQ(engine_.SmtpConnect(0, "127.0.0.1", from_, ""), 0);
    ASSERT_EQ(engine_.SendEmail(0, "<ann@example.org>", "", "", "s", "@" + text, ""), 0);
    EXPECT_NE(ReadAll(maildir_ / "1.eml").find("\r\n\r\nFrom the file.\r\n"), std::string::npos);
}

TEST_F(MailSmtp, EncryptedConnectionsVerifyTheServer) {
    MakeCertificate();
    const struct {
        const char* mode;
        std::int64_t tls;
        bool trustCertificate;
        bool verify;
        std::int32_t result;
    } cases[] = {
        {"--starttls", 1, true, true, 0},   {"--starttls", 1, false, true, -76},
        {"--starttls", 1, false, false, 0}, {"--implicit-tls", 2, true, true, 0},
        {"", 1, true, true, -74}, // STARTTLS asked for but not offered
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.mode) + " trust=" + std::to_string(c.trustCertificate) +
                     " verify=" + std::to_string(c.verify));
        fs::remove_all(maildir_);
        fs::create_directories(maildir_);
        StartServer(*c.mode ? std::vector<std::string>{c.mode, cert_, key_}
                            : std::vector<std::string>{});
        ASSERT_EQ(engine_.SetInteger(0, option::kTlsMode, c.tls), 0);
        ASSERT_EQ(engine_.SetInteger(0, option::kVerifyCertificate, c.verify ? 1 : 0), 0);
        ASSERT_EQ(engine_.SetText(0, option::kCaFile, c.trustCertificate ? cert_ : ""), 0);
        EXPECT_EQ(Send("<ann@example.org>", "", "localhost"), c.result) << Log();
        EXPECT_EQ(Received(), c.result == 0 ? 1u : 0u);
        (void)engine_.Close(0);
        server_.reset();
    }
}

TEST_F(MailSmtp, ServerThatNeverGreetsTimesOut) {
    SocketServer silent; // completes connections but never answers
    ASSERT_EQ(engine_.SetInteger(0, option::kSmtpPort, silent.Port()), 0);
    ASSERT_EQ(engine_.SetInteger(0, option::kReplyTimeout, 300), 0);
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(engine_.SmtpConnect(0, "127.0.0.1", from_, ""), -8);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
    EXPECT_EQ(engine_.ErrorText(0, -8), "vSock timed out.");
    EXPECT_NE(Log().find("SeeCode=-8 PrevState=2 ThisState=4"), std::string::npos) << Log();

    // The default 60-second time-out, on a clock that moves 20 seconds per look.
    ASSERT_EQ(engine_.SetInteger(0, option::kReplyTimeout, 60000), 0);
    auto fake = std::make_shared<std::chrono::milliseconds>(0);
    engine_.SetTickSource([fake] { return *fake += std::chrono::seconds(20); });
    EXPECT_EQ(engine_.SmtpConnect(0, "127.0.0.1", from_, ""), -8);
    EXPECT_LE(fake->count(), 200000);
}

TEST_F(MailSmtp, ReplyLongerThanTheBufferIsReportedNotOverrun) {
    SocketServer verbose([](int client) {
        const std::string greeting = "220-" + std::string(5000, 'x') + "\r\n220 ready\r\n";
        ::send(client, greeting.data(), greeting.size(), MSG_NOSIGNAL);
        char buffer[256];
        (void)::recv(client, buffer, sizeof buffer, 0);
    });
    ASSERT_EQ(engine_.SetInteger(0, option::kSmtpPort, verbose.Port()), 0);
    EXPECT_EQ(engine_.SmtpConnect(0, "127.0.0.1", from_, ""), -31);
    EXPECT_EQ(engine_.ErrorText(0, -31), "Response buffer has overflowed.");
}

TEST_F(MailSmtp, UnreachableServers) {
    ASSERT_EQ(engine_.SetInteger(0, option::kSmtpPort, 1), 0); // nothing listens on port 1
    EXPECT_EQ(engine_.SmtpConnect(0, "127.0.0.1", from_, ""), -36);
    EXPECT_NE(Log().find("SockCode=10061"), std::string::npos) << Log();
    EXPECT_EQ(engine_.SmtpConnect(0, "no-such-host.invalid", from_, ""), -46);
    EXPECT_EQ(engine_.SmtpConnect(0, "", from_, ""), -50);
    EXPECT_EQ(engine_.SmtpConnect(0, "bad host", from_, ""), -56);
    EXPECT_EQ(engine_.SendEmail(0, "<a@b.org>", "", "", "", "", ""), -44);
}

} // namespace
