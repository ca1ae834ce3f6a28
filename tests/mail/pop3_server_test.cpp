// Fetching through the engine from POP3 servers on loopback: the small POP3 server
// of pop3_server.py, and dovecot where the tests run as root.
#include "loopback_server.h"
#include "mail/channel_options.h"
#include "mail/mail_engine.h"
#include "mail_files.h"
#include "scratch.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

namespace {

using namespace ob::mail;
namespace fs = std::filesystem;
using ob::test::Names;
using ob::test::ReadAll;

const std::string kBinary = [] {
    std::string bytes;
    for (int i = 0; i < 70000; ++i) {
        bytes += static_cast<char>((i * 167 + i / 5) & 0xff);
    }
    return bytes;
}();

class MailPop3 : public ::testing::Test {
protected:
    void SetUp() override {
        if (!fs::exists(ob::test::kSystemPython)) {
            GTEST_SKIP() << "needs Debian's /usr/bin/python3";
        }
        ASSERT_EQ(engine_.Attach(2), 1);
        for (const auto& d : {mailbox_, saved_, attachments_}) {
            fs::create_directories(d);
        }
        ASSERT_EQ(engine_.SetText(0, option::kLogFile, dir_ / "mail.log"), 0);
        ASSERT_EQ(engine_.SetInteger(0, option::kSaveAttachments, 1), 0);
        ASSERT_EQ(engine_.SetInteger(0, option::kReplyTimeout, 10000), 0);
    }

    // Adds a message made by Python's email package with the given attachments.
    void AddMessage(const std::string& file, const std::string& subject,
                    const std::vector<std::pair<std::string, std::string>>& attachments) {
        std::string command = std::string(ob::test::kSystemPython) + " " +
                              ob::test::MailTestScript("make_message.py") + " '" +
                              (mailbox_ / file).string() + "' '" + subject + "'";
        for (const auto& [name, bytes] : attachments) {
            const std::string path = dir_ / ("source-" + std::to_string(sources_++));
            std::ofstream(path, std::ios::binary) << bytes;
            command += " '" + name + "=" + path + "'";
        }
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
    }

    void StartServer(std::vector<std::string> extra = {}) {
        std::vector<std::string> argv{ob::test::kSystemPython,
                                      ob::test::MailTestScript("pop3_server.py"),
                                      "--maildir",
                                      mailbox_.string(),
                                      "--transcript",
                                      dir_ / "commands.txt"};
        argv.insert(argv.end(), extra.begin(), extra.end());
        server_.reset();
        fs::remove(dir_ / "port");
        server_ = std::make_unique<ob::test::LoopbackServer>(argv, dir_ / "port");
        ASSERT_NE(server_->Port(), 0) << "the POP3 test server did not start";
        ASSERT_EQ(engine_.SetInteger(0, option::kPop3Port, server_->Port()), 0);
    }

    std::string Lines(int message, int lines) {
        std::vector<char> buffer(4096);
        const std::int32_t length =
            engine_.EmailLines(0, message, lines, buffer.data(), buffer.size());
        EXPECT_GE(length, 0);
        return length < 0 ? "" : std::string(buffer.data(), static_cast<std::size_t>(length));
    }

    ob::test::ScratchDir dir_;
    fs::path mailbox_ = dir_.Path() / "mailbox";
    fs::path saved_ = dir_.Path() / "saved";
    fs::path attachments_ = dir_.Path() / "attachments";
    int sources_ = 0;
    MailEngine engine_;
    std::unique_ptr<ob::test::LoopbackServer> server_;
};

TEST_F(MailPop3, CountsPeeksFetchesAndDeletes) {
    AddMessage("1.eml", "Plain", {});
    AddMessage("2.eml", "Two files", {{"data.bin", kBinary}, {"notes.txt", "line\n"}});
    StartServer();
    ASSERT_EQ(engine_.Pop3Connect(0, "127.0.0.1", "ann", "s3cret"), 0);
    EXPECT_EQ(engine_.EmailCount(0), 2);
    EXPECT_EQ(engine_.EmailSize(0, 2),
              static_cast<std::int32_t>(fs::file_size(mailbox_ / "2.eml")));

    const std::string original = ReadAll(mailbox_ / "1.eml");
    const std::string header = original.substr(0, original.find("\r\n\r\n") + 4);
    EXPECT_EQ(Lines(1, 0), header);
    EXPECT_EQ(Lines(1, 2), header + "The files.\r\n.hidden dot line\r\n");

    ASSERT_EQ(engine_.EmailFile(0, 2, "two.eml", saved_.string(), attachments_.string()), 0);
    EXPECT_EQ(ReadAll(saved_ / "two.eml"), ReadAll(mailbox_ / "2.eml"));
    EXPECT_EQ(Names(attachments_), (std::set<std::string>{"data.bin", "notes.txt"}));
    EXPECT_EQ(ReadAll(attachments_ / "data.bin"), kBinary);
    EXPECT_EQ(ReadAll(attachments_ / "notes.txt"), "line\n");
    EXPECT_EQ(engine_.FetchedHeaderLine(0, FetchedHeader::Subject), "Subject: Two files");

    EXPECT_EQ(engine_.DeleteEmail(0, 1), 0);
    EXPECT_EQ(engine_.Close(0), 0);
    EXPECT_EQ(Names(mailbox_), (std::set<std::string>{"2.eml"}));
    const std::string log = ReadAll(dir_ / "mail.log");
    for (const char* line : {"*** seePop3Connect\n", "Greeting seen\n", "-> PASS ****\n", "[EOF]\n",
                             "[EOF1]\n", "Email: File ", "[Attachment saved to '", "[CLOSE]\n"}) {
        EXPECT_NE(log.find(line), std::string::npos) << line << log;
    }
    EXPECT_EQ(log.find("s3cret"), std::string::npos);
}

TEST_F(MailPop3, ApopNeedsTheGreetingsTimestamp) {
    AddMessage("1.eml", "One", {});
    ASSERT_EQ(engine_.SetInteger(0, option::kApop, 1), 0);
    StartServer();
    EXPECT_EQ(engine_.Pop3Connect(0, "127.0.0.1", "ann", "s3cret"), 0);
    EXPECT_EQ(engine_.EmailCount(0), 1);
    (void)engine_.Close(0);
    EXPECT_EQ(engine_.Pop3Connect(0, "127.0.0.1", "ann", "wrong"), -63);

    fs::remove(dir_ / "commands.txt");
    StartServer({"--no-timestamp"});
    EXPECT_EQ(engine_.Pop3Connect(0, "127.0.0.1", "ann", "s3cret"), -57);
    EXPECT_EQ(engine_.ErrorText(0, -57), "APOP timestamp missing.");
    EXPECT_FALSE(fs::exists(dir_ / "commands.txt")) << ReadAll(dir_ / "commands.txt");
}

TEST_F(MailPop3, RefusalsAndMissingMessages) {
    AddMessage("1.eml", "One", {});
    StartServer();
    EXPECT_EQ(engine_.Pop3Connect(0, "127.0.0.1", "ann", "wrong"), -63);
    EXPECT_EQ(engine_.EmailCount(0), -44);
    ASSERT_EQ(engine_.Pop3Connect(0, "127.0.0.1", "ann", "s3cret"), 0);
    EXPECT_EQ(engine_.SendEmail(0, "<a@b.org>", "", "", "", "", ""), -58);
    EXPECT_EQ(engine_.EmailFile(0, 9, "nine.eml", saved_.string(), attachments_.string()), -64);
    EXPECT_EQ(engine_.EmailFile(0, 0, "zero.eml", saved_.string(), attachments_.string()), -64);
    EXPECT_EQ(engine_.DeleteEmail(0, 9), -64);
    EXPECT_TRUE(Names(saved_).empty());
    EXPECT_EQ(engine_.EmailFile(0, 1, "", saved_.string(), attachments_.string()), -65);
    EXPECT_EQ(engine_.EmailFile(0, 1, "x.eml", "", attachments_.string()), -66);
    EXPECT_EQ(engine_.EmailFile(0, 1, "x.eml", saved_.string(), ""), -70);
    EXPECT_EQ(
        engine_.EmailFile(0, 1, "x.eml", (dir_.Path() / "none").string(), attachments_.string()),
        -67);
    EXPECT_EQ(engine_.ErrorText(0, -67),
              "Cannot create file " + (dir_.Path() / "none" / "x.eml").string());
    EXPECT_EQ(engine_.EmailCount(0), 1); // still logged on after the refusals
}

TEST_F(MailPop3, AttachmentNamedToClimbOutStaysInItsDirectory) {
    AddMessage("1.eml", "Climb",
               {{"../../etc/passwd", "root:x:0:0\n"}, {"../../etc/passwd", "again"}});
    StartServer();
    ASSERT_EQ(engine_.Pop3Connect(0, "127.0.0.1", "ann", "s3cret"), 0);
    ASSERT_EQ(engine_.EmailFile(0, 1, "m.eml", saved_.string(), attachments_.string()), 0);
    EXPECT_EQ(Names(attachments_),
              (std::set<std::string>{"_._.._etc_passwd", "_._. (1)._etc_passwd"}));
    EXPECT_EQ(ReadAll(attachments_ / "_._.._etc_passwd"), "root:x:0:0\n");
    EXPECT_EQ(Names(dir_.Path()),
              (std::set<std::string>{"attachments", "commands.txt", "mail.log", "mailbox", "port",
                                     "saved", "source-0", "source-1"}));
}

TEST_F(MailPop3, StallingServerTimesOut) {
    StartServer({"--stall"});
    ASSERT_EQ(engine_.SetInteger(0, option::kReplyTimeout, 300), 0);
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(engine_.Pop3Connect(0, "127.0.0.1", "ann", "s3cret"), -8);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
}

TEST_F(MailPop3, StlsAndImplicitTls) {
    AddMessage("1.eml", "Secret", {});
    const std::string cert = dir_ / "cert.pem";
    const std::string key = dir_ / "key.pem";
    ASSERT_TRUE(ob::test::MakeCertificate(cert, key));
    ASSERT_EQ(engine_.SetText(0, option::kCaFile, cert), 0);
    for (const auto& [mode, tls] :
         {std::pair<const char*, int>{"--stls", 1}, {"--implicit-tls", 2}}) {
        SCOPED_TRACE(mode);
        StartServer({mode, cert, key});
        ASSERT_EQ(engine_.SetInteger(0, option::kTlsMode, tls), 0);
        EXPECT_EQ(engine_.Pop3Connect(0, "localhost", "ann", "s3cret"), 0);
        EXPECT_EQ(engine_.EmailCount(0), 1);
        EXPECT_EQ(engine_.Close(0), 0);
    }
    StartServer(); // no STLS offered: refused, the password never sent in the clear
    ASSERT_EQ(engine_.SetInteger(0, option::kTlsMode, 1), 0);
    fs::remove(dir_ / "commands.txt");
    EXPECT_EQ(engine_.Pop3Connect(0, "localhost", "ann", "s3cret"), -74);
    EXPECT_EQ(ReadAll(dir_ / "commands.txt"), "STLS\n");
}

} // namespace
