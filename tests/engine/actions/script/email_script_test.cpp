// Job files that mail through the automation library: the program of a file whose
// VBScript uses the e-mail classes gets a ready EmailSystem object, and the
// manual's examples (examples/mail_report.jr, examples/mail_collect.jr) run
// against servers on loopback with TLS (aiosmtpd, the mail tests' POP3 server).

#include "script_fixture.h"

#include "support/mail_test_servers.h"

#include "platform/env/environment.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace ob::test {
namespace {

namespace fs = std::filesystem;

using TextLines = std::vector<std::string>;

TEST_F(ScriptTest, FilesUsingTheMailClassesGetAReadyEmailSystem) {
    const struct {
        std::string script;
        std::string value;
    } cases[] = {
        {"Function Kinds()\n  Set m = CreateObject(\"OBCoreLib.smtp\")\n"
         "  Kinds = TypeName(m) & \" \" & TypeName(EmailSystem)\nEnd Function\n",
         "Ismtp IEmailSystem"},
        {"Function Kinds()\n  Set p = CreateObject(\"OBCoreLib.pop3\")\n"
         "  Kinds = TypeName(p) & \" \" & TypeName(EmailSystem)\nEnd Function\n",
         "Ipop3 IEmailSystem"},
        // A file that makes its own EmailSystem keeps it; the program adds none.
        {"Dim EmailSystem\nSet EmailSystem = CreateObject(\"OBCoreLib.EmailSystem\")\n"
         "Function Kinds()\n  Set m = CreateObject(\"OBCoreLib.smtp\")\n"
         "  Kinds = TypeName(m) & \" \" & TypeName(EmailSystem)\nEnd Function\n",
         "Ismtp IEmailSystem"},
        {"Function Kinds()\n  ' Set m = CreateObject(\"OBCoreLib.smtp\")\n"
         "  Kinds = TypeName(EmailSystem)\nEnd Function\n",
         "Empty"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.script);
        EXPECT_EQ(LoadAndRun(c.script + "{\n-name main\n-action Kinds()\n}\n"),
                  engine::RunResult::Continue);
        EXPECT_EQ(Lines(), TextLines{});
        EXPECT_EQ(Var("JR.COMMAND_RETURN"), c.value);
    }
}

// The examples' settings: engine variables, as the manual's command line gives them
// through the environment; the certificate of the test servers is trusted through
// OpenSSL's SSL_CERT_FILE.
class MailExample : public ScriptTest {
protected:
    void SetUp() override {
        ScriptTest::SetUp();
        if (!PythonHas("aiosmtpd")) {
            GTEST_SKIP() << "needs Debian's python3-aiosmtpd for /usr/bin/python3";
        }
        ASSERT_TRUE(MakeCertificate(cert_, key_)) << "openssl made no certificate";
        ::setenv("SSL_CERT_FILE", cert_.c_str(), 1);
    }
    void TearDown() override {
        ::unsetenv("SSL_CERT_FILE");
        ScriptTest::TearDown();
    }

    static std::string Example(const std::string& name) {
        return ReadAll(std::string(OB_SOURCE_DIR) + "/examples/" + name);
    }

    fs::path Folder(const std::string& name) const { return Scratch().Path() / name; }

    std::string cert_ = Scratch() / "cert.pem";
    std::string key_ = Scratch() / "key.pem";
};

TEST(MailExampleText, TheManualQuotesTheExamplesThatRunHere) {
    const std::string manual = ReadAll(std::string(OB_SOURCE_DIR) + "/docs/email.md");
    for (const char* name : {"mail_report.jr", "mail_collect.jr"}) {
        const std::string example = ReadAll(std::string(OB_SOURCE_DIR) + "/examples/" + name);
        ASSERT_FALSE(example.empty()) << name;
        EXPECT_NE(manual.find("```\n" + example + "```\n"), std::string::npos) << name;
    }
}

TEST_F(MailExample, ReportIsMailedOverStartTlsAfterLoggingOn) {
    fs::create_directories(Folder("received"));
    const auto server = StartMailServer("smtp_server.py",
                                        {"--maildir", Folder("received").string(), "--auth",
                                         "jobs:s3cret", "--starttls", cert_, key_},
                                        Folder("smtp.port"));
    ASSERT_NE(server->Port(), 0) << "the SMTP test server did not start";
    const std::string report = Scratch() / "nightly.csv";
    std::ofstream(report) << "job;runs\nbackup;1\n";
    for (const auto& [name, value] :
         {std::pair<std::string, std::string>{"MAIL_SERVER", "localhost"},
          {"MAIL_PORT", std::to_string(server->Port())},
          {"MAIL_USER", "jobs"},
          {"MAIL_PASSWORD", "s3cret"},
          {"MAIL_TO", "ops@example.org"},
          {"REPORT", report}}) {
        env::Set(name, value);
    }
    Reset();
    Load(Example("mail_report.jr"));
    EXPECT_EQ(Run("mail_report"), engine::RunResult::Continue);
    EXPECT_EQ(Lines(), TextLines{"mail_report: sent " + report + " to ops@example.org "});
    EXPECT_EQ(ReadAll(Folder("received") / "1.env"), "jobs@example.org\nops@example.org\n");
    ASSERT_TRUE(ParseMailMessage(Folder("received") / "1.eml", Folder("parsed")));
    EXPECT_EQ(ReadAll(Folder("parsed") / "nightly.csv"), "job;runs\nbackup;1\n");
    EXPECT_EQ(ReadAll(Folder("parsed") / "text.txt"),
              "The nightly report is attached.\n-- Obrenta");

    // A wrong password: the engine's text, then the job's error handler.
    env::Set("MAIL_PASSWORD", "wrong");
    Reset();
    Load(Example("mail_report.jr"));
    EXPECT_EQ(Run("mail_report"), engine::RunResult::Break);
    EXPECT_EQ(Lines(), (TextLines{"mail_report: SMTP returned error. (-49)",
                                  "mail_report: not sent; trying again tomorrow "}));
}

TEST_F(MailExample, MailboxAttachmentsAreCollectedOverTlsAndTheMessagesDeleted) {
    const fs::path mailbox = Folder("mailbox");
    fs::create_directories(mailbox);
    const std::string scan = BinaryBytes(30000);
    ASSERT_TRUE(MakeMailMessage(mailbox / "1", "Scans of Monday", {{"scan.pdf", scan}}));
    ASSERT_TRUE(MakeMailMessage(mailbox / "2", "Scans of Tuesday",
                                {{"scan.pdf", "second"}, {"notes.txt", "n"}}));
    const auto server = StartMailServer(
        "pop3_server.py",
        {"--maildir", mailbox.string(), "--user", "scans", "--implicit-tls", cert_, key_},
        Folder("pop3.port"));
    ASSERT_NE(server->Port(), 0) << "the POP3 test server did not start";
    for (const auto& [name, value] :
         {std::pair<std::string, std::string>{"POP3_SERVER", "localhost"},
          {"POP3_PORT", std::to_string(server->Port())},
          {"POP3_USER", "scans"},
          {"POP3_PASSWORD", "s3cret"},
          {"INBOX_DIR", Folder("inbox").string()}}) {
        env::Set(name, value);
    }
    Reset();
    Load(Example("mail_collect.jr"));
    EXPECT_EQ(Run("mail_collect"), engine::RunResult::Continue);
    EXPECT_EQ(Lines(),
              (TextLines{"mail_collect: 1: Scans of Monday", "mail_collect: 2: Scans of Tuesday",
                         "mail_collect: 2 message(s) collected "}));
    EXPECT_EQ(Names(Folder("inbox") / "messages"),
              (std::set<std::string>{"message-1.eml", "message-2.eml"}));
    EXPECT_EQ(Names(Folder("inbox") / "attachments"),
              (std::set<std::string>{"1-scan.pdf", "2-scan.pdf", "2-notes.txt"}));
    EXPECT_TRUE(ReadAll(Folder("inbox") / "attachments" / "1-scan.pdf") == scan);
    EXPECT_TRUE(fs::is_empty(mailbox)) << "the messages were deleted on the server";
}

} // namespace
} // namespace ob::test
