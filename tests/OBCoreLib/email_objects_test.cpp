// The smtp and pop3 objects as scripts use them: created with CreateObject from the
// library registered in scratch stores, driven by VBScript against servers on
// loopback (aiosmtpd, the tests' POP3 server) that each test starts and stops.

#include "mail/socket_server.h"
#include "support/automation_library.h"
#include "support/mail_test_servers.h"
#include "support/scratch.h"

#include "vbscript/script_control.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>

namespace ob::test {
namespace {

namespace fs = std::filesystem;

using Lines = std::vector<std::string>;

Lines SplitLines(const std::string& text) {
    Lines lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

class EmailObjects : public ::testing::Test {
protected:
    void SetUp() override {
        if (!PythonHas("aiosmtpd")) {
            GTEST_SKIP() << "needs Debian's python3-aiosmtpd for /usr/bin/python3";
        }
        UseScratchStores(dir_);
        std::string why;
        ASSERT_EQ(RegisterAutomationLibrary(OB_CORELIB_PATH, &why), 0) << why;
        control_ = vbscript::CreateScriptControl("VBScript");
        for (const fs::path& folder : {received_, mailbox_}) {
            fs::create_directories(folder);
        }
    }

    // Runs the script's function Main, the words of `values` put in place first; its
    // value as text.
    std::string Main(std::string script, const std::map<std::string, std::string>& values = {}) {
        for (const auto& [word, value] : values) {
            for (std::size_t at = script.find(word); at != std::string::npos;
                 at = script.find(word, at + value.size())) {
                script.replace(at, word.size(), value);
            }
        }
        vbscript::Variant result;
        EXPECT_TRUE(control_->Reset());
        if (!control_->AddCode(script) || !control_->Run("Main", {}, result)) {
            ADD_FAILURE() << control_->Error().description << " in line " << control_->Error().line
                          << ": " << control_->Error().text;
            return "(failed)";
        }
        return result.ToString();
    }

    void StartSmtp(std::vector<std::string> args = {}) {
        args.insert(args.begin(), {"--maildir", received_.string()});
        smtp_ = StartMailServer("smtp_server.py", args, dir_.Path() / "smtp.port");
        ASSERT_NE(smtp_->Port(), 0) << "the SMTP test server did not start";
    }
    void StartPop3(std::vector<std::string> args = {}) {
        args.insert(args.begin(), {"--maildir", mailbox_.string(), "--transcript", transcript_});
        pop3_ = StartMailServer("pop3_server.py", args, dir_.Path() / "pop3.port");
        ASSERT_NE(pop3_->Port(), 0) << "the POP3 test server did not start";
    }
    void MakeCertificate() {
        ASSERT_TRUE(ob::test::MakeCertificate(cert_, key_)) << "openssl made no certificate";
    }

    // An smtp object in `m` pointed at the SMTP test server, with a log and a sender.
    std::string SmtpPreamble() const {
        return "  Set m = CreateObject(\"OBCoreLib.smtp\")\n"
               "  m.Server = \"localhost\"\n"
               "  m.EngineOption(21) = " +
               std::to_string(smtp_ ? smtp_->Port() : 25) +
               "\n"
               "  m.InitLogFile \"" +
               log_ +
               "\"\n"
               "  m.FromAddress = \"Jobs<jobs@example.org>\"\n";
    }
    std::string Pop3Preamble() const {
        return "  Set p = CreateObject(\"OBCoreLib.pop3\")\n"
               "  p.Server = \"127.0.0.1\"\n"
               "  p.EngineOption(22) = " +
               std::to_string(pop3_ ? pop3_->Port() : 110) +
               "\n"
               "  p.UserName = \"ann\"\n"
               "  p.Password = \"s3cret\"\n"
               "  p.InitLogFile \"" +
               log_ + "\"\n";
    }

    ScratchDir dir_;
    fs::path received_ = dir_.Path() / "received";
    fs::path mailbox_ = dir_.Path() / "mailbox";
    std::string log_ = dir_ / "mail.log";
    std::string transcript_ = dir_ / "commands.txt";
    std::string cert_ = dir_ / "cert.pem";
    std::string key_ = dir_ / "key.pem";
    std::unique_ptr<vbscript::ScriptControl> control_;
    std::unique_ptr<LoopbackServer> smtp_;
    std::unique_ptr<LoopbackServer> pop3_;
};

TEST_F(EmailObjects, SendDeliversEveryRecipientAndAttachmentAfterAuthenticating) {
    StartSmtp({"--auth", "ann:s3cret"});
    const std::string binary = BinaryBytes(100000);
    std::ofstream(dir_ / "data.bin", std::ios::binary) << binary;
    std::ofstream(dir_ / "Chart.JPG", std::ios::binary) << "\xff\xd8\xff\xe0 picture";
    const std::string result =
        Main("Function Main()\n" + SmtpPreamble() +
                 "  m.UserName = \"ann\"\n"
                 "  m.Password = \"s3cret\"\n"
                 "  m.AddRecipient \" Ann Lee \", \" ann@example.org \", 1\n"
                 "  m.AddRecipient \"Ann Lee\", \"ann@example.org\", 1\n"
                 "  m.AddRecipient \"\", \"<cc@example.org>\", 2\n"
                 "  m.AddRecipient \"Hidden\", \"hidden@example.org\", 3\n"
                 "  m.AddRecipient \"Nobody\", \"nobody@example.org\", 4\n"
                 "  m.Subject = \"Nightly report\"\n"
                 "  m.Body = \"Totals attached.\" & vbCrLf & \".\" & vbCrLf & \"End.\"\n"
                 "  m.AddAttachment \"DIR/data.bin\"\n"
                 "  m.AddAttachment \" DIR/Chart.JPG \"\n"
                 "  Main = m.Send() & \"|\" & m.GetLastError() & \"|\" & m.Subject\n"
                 "End Function\n",
             {{"DIR", dir_.Path().string()}});
    EXPECT_EQ(result, "0|0|Nightly report");
    EXPECT_EQ(ReadAll(received_ / "1.env"), "jobs@example.org\nann@example.org\nann@example.org\n"
                                            "cc@example.org\nhidden@example.org\n");
    const fs::path parsed = dir_.Path() / "parsed";
    ASSERT_TRUE(ParseMailMessage(received_ / "1.eml", parsed)) << ReadAll(received_ / "1.eml");
    EXPECT_TRUE(ReadAll(parsed / "data.bin") == binary);
    EXPECT_EQ(ReadAll(parsed / "Chart.JPG"), "\xff\xd8\xff\xe0 picture");
    EXPECT_EQ(ReadAll(parsed / "text.txt"), "Totals attached.\n.\nEnd.");
    const std::string message = ReadAll(received_ / "1.eml");
    EXPECT_NE(message.find("\r\nTo: Ann Lee<ann@example.org>;Ann Lee<ann@example.org>\r\n"),
              std::string::npos)
        << message;
    EXPECT_NE(message.find("\r\nContent-Type: Image/JPEG; name=\"Chart.JPG\"\r\n"),
              std::string::npos);
    EXPECT_EQ(message.find("hidden"), std::string::npos) << "BCC is no header";
    const std::string log = ReadAll(log_);
    EXPECT_NE(log.find("-> EHLO example.org\n"), std::string::npos) << log;
    EXPECT_NE(log.find("AUTH CRAM-MD5 ok\n"), std::string::npos) << log;
    EXPECT_EQ(log.find("s3cret"), std::string::npos) << "the secret reached the log";
}

TEST_F(EmailObjects, EncryptionPropertyChoosesStartTlsOrTlsFromTheFirstByte) {
    MakeCertificate();
    const struct {
        const char* serverMode;
        int encryption;
        bool trust;
        std::string result;
    } cases[] = {
        {"--starttls", 1, true, "0|"},
        {"--implicit-tls", 2, true, "0|"},
        {"--starttls", 1, false, "-76|Server certificate not trusted."},
        {"", 1, true, "-74|Server does not offer TLS."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.serverMode) + " " + std::to_string(c.encryption));
        smtp_.reset();
        StartSmtp(*c.serverMode ? Lines{c.serverMode, cert_, key_} : Lines{});
        const std::string result =
            Main("Function Main()\n" + SmtpPreamble() +
                     "  m.Encryption = ENCRYPTION\n"
                     "  m.EngineOption(42) = \"CA\"\n"
                     "  m.AddRecipient \"\", \"ann@example.org\", 1\n"
                     "  rc = m.Send()\n"
                     "  If rc = 0 Then Main = \"0|\" Else Main = rc & \"|\" & m.GetErrorString(0)\n"
                     "End Function\n",
                 {{"ENCRYPTION", std::to_string(c.encryption)}, {"CA", c.trust ? cert_ : ""}});
        EXPECT_EQ(result, c.result) << ReadAll(log_);
    }
}

TEST_F(EmailObjects, FailuresGiveTheEnginesCodeAndTextAndStayAsTheLastError) {
    StartSmtp({"--reject", "nobody@example.org"});
    SocketServer silent; // takes the connection and never greets
    const std::string missing = dir_ / "missing.pdf";
    const struct {
        std::string setup;
        std::string result;
    } cases[] = {
        {"", "-45|Must have at least one recipient."},
        {"m.AddRecipient \"\", \"nobody@example.org\", 1",
         "-49|SMTP returned error.|-49|Must have at least one recipient."},
        {"m.AddRecipient \"\", \"ann@example.org\", 1 : m.AddAttachment \"" + missing + "\"",
         "-35|Cannot open file " + missing},
        {"m.AddRecipient \"\", \"ann\", 1", "-39|Missing '@' character in email address."},
        {"m.Server = \"\"", "-50|SMTP/POP3 server not specified."},
        {"m.FromAddress = \" \"", "-40|Missing FROM email address."},
        {"m.EngineOption(21) = " + std::to_string(silent.Port()) + " : m.EngineOption(30) = 300",
         "-8|vSock timed out."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.setup);
        const std::string result =
            Main("Function Main()\n" + SmtpPreamble() + "  " + c.setup +
                 "\n"
                 "  rc = m.Send()\n"
                 "  Main = rc & \"|\" & m.GetErrorString(0)\n"
                 "  If rc = -49 Then Main = Main & \"|\" & m.GetLastError() & \"|\" & "
                 "m.GetErrorString(-45)\n"
                 "  m.ClearLastError\n"
                 "  If m.GetLastError() <> 0 Then Main = \"not cleared\"\n"
                 "End Function\n");
        EXPECT_EQ(result, c.result) << ReadAll(log_);
    }
    EXPECT_FALSE(fs::exists(received_ / "1.eml")) << "nothing was delivered";
}

TEST_F(EmailObjects, Pop3CountsPeeksFetchesWithAttachmentsAndDeletes) {
    const std::string binary = BinaryBytes(50000);
    ASSERT_TRUE(MakeMailMessage(mailbox_ / "1", "Two files",
                                {{"report.csv", "a;b\r\n1;2\r\n"}, {"../../etc/passwd", binary}}));
    ASSERT_TRUE(MakeMailMessage(mailbox_ / "2", "Plain", {}));
    StartPop3();
    const std::string result =
        Main("Function Main()\n" + Pop3Preamble() +
                 "  p.Prefix = True\n"
                 "  n = p.MessageCount()\n" // connects first
                 "  h = p.GetEmailHeader(1)\n"
                 "  Main = n & \"|\" & InStr(h, \"Subject: Two files\" & vbCrLf) & \"|\" & "
                 "(Right(h, 4) = vbCrLf & vbCrLf) & \"|\" & InStr(h, \"The files.\")\n"
                 "  Main = Main & \"|\" & Len(p.PeekMessageBody(2, 0)) & \"|\" & "
                 "p.PeekMessageBody(2, 1)\n"
                 "  Main = Main & \"|\" & p.GetEmailFile(1, \"one.eml\", \"DIR/mail/\", \" "
                 "DIR/files \")\n"
                 "  Main = Main & \"|\" & p.DeleteEmail(2) & \"|\" & p.Prefix\n"
                 "End Function\n",
             {{"DIR", dir_.Path().string()}});
    EXPECT_TRUE(
        std::regex_match(result, std::regex(R"(2\|\d+\|True\|0\|0\|The files\.\r\n\|0\|0\|-1)")))
        << result;
    EXPECT_TRUE(ReadAll(dir_.Path() / "mail" / "one.eml") == ReadAll(mailbox_ / "1"));
    EXPECT_EQ(Names(dir_.Path() / "files"),
              (std::set<std::string>{"1-report.csv", "1-.._.._etc_passwd"}));
    EXPECT_EQ(ReadAll(dir_.Path() / "files" / "1-report.csv"), "a;b\r\n1;2\r\n");
    EXPECT_TRUE(ReadAll(dir_.Path() / "files" / "1-.._.._etc_passwd") == binary);
    // The object's release said QUIT: the server removed message 2.
    EXPECT_EQ(Names(mailbox_), std::set<std::string>{"1"});
}

TEST_F(EmailObjects, APopPropertyLogsOnWithTheGreetingsTimestamp) {
    ASSERT_TRUE(MakeMailMessage(mailbox_ / "1", "One", {}));
    const struct {
        bool timestamp;
        std::string result;
        const char* command;
    } cases[] = {
        {true, "1|-1", "APOP ann "},
        {false, "-57|APOP timestamp missing.", nullptr},
    };
    for (const auto& c : cases) {
        fs::remove(transcript_);
        pop3_.reset();
        StartPop3(c.timestamp ? Lines{} : Lines{"--no-timestamp"});
        EXPECT_EQ(Main("Function Main()\n" + Pop3Preamble() +
                       "  p.APop = True\n"
                       "  n = p.MessageCount()\n"
                       "  If n < 0 Then Main = n & \"|\" & p.GetErrorString(n) Else Main = n & "
                       "\"|\" & p.APop\n"
                       "End Function\n"),
                  c.result);
        const std::string commands = ReadAll(transcript_);
        EXPECT_EQ(commands.find("PASS"), std::string::npos) << commands;
        if (c.command != nullptr) {
            EXPECT_EQ(commands.rfind(c.command, 0), 0u) << commands;
        }
    }
}

// The trace with what varies from run to run put in words: descriptor numbers and
// the version aiosmtpd gives in its greeting.
Lines TraceLines(const std::string& file) {
    Lines lines = SplitLines(ReadAll(file));
    for (std::string& line : lines) {
        line = std::regex_replace(line, std::regex("File [0-9]+ "), "File N ");
        line = std::regex_replace(line, std::regex("Python SMTP .*"), "Python SMTP VERSION");
    }
    return lines;
}

TEST_F(EmailObjects, LogFileHoldsTheObjectsLinesAndTheDialogue) {
    ASSERT_TRUE(MakeMailMessage(mailbox_ / "1", "Hello", {{"a.txt", "text"}}));
    StartPop3({"--no-timestamp"});
    StartSmtp();
    const std::string folder = dir_.Path().string();
    const struct {
        std::string script;
        Lines trace;
    } cases[] = {
        {Pop3Preamble() + "  p.LogFileWrite \"collecting\"\n"
                          "  Main = p.Connect() & p.GetEmailFile(1, \"m.eml\", \"DIR\", \"DIR\")"
                          " & p.DeleteEmail(1) & \"00\"\n",
         {"collecting",
          "*** seePop3Connect",
          "Server = '127.0.0.1'",
          "Connected to '127.0.0.1'",
          "<- +OK POP3 test server ready ",
          "Greeting seen",
          "-> USER ann",
          "<- +OK",
          "-> PASS ****",
          "<- +OK logged on",
          "*** seeGetEmailFile",
          "Email: Saving to '" + folder + "/m.eml'",
          "Email: File N opened",
          "-> RETR 1",
          "<- +OK",
          "[AttachDir = '" + folder + "']",
          "[Filename = 'a.txt']",
          "[Creating '" + folder + "/a.txt']",
          "[Attachment saved to '" + folder + "/a.txt']",
          "[EOF1]",
          "Email: File N closed",
          "*** seeDeleteEmail",
          "-> DELE 1",
          "<- +OK deleted",
          "*** seeClose",
          "-> QUIT",
          "<- +OK bye",
          "[CLOSE]"}},
        {SmtpPreamble() + "  m.AddRecipient \"Ann\", \"ann@example.org\", 1\n"
                          "  m.LogFileWrite \"sending\"\n"
                          "  Main = m.Send() & m.Send() & \"000\"\n",
         {"sending", "*** seeSmtpConnect", "Server = 'localhost'", "Connected to 'localhost'",
          "<- 220 loopback.test Python SMTP VERSION", "Greeting seen", "-> HELO example.org",
          "<- 250 loopback.test", "*** seeSendEmail", "-> MAIL FROM:<jobs@example.org>",
          "<- 250 OK", "-> RCPT TO:<ann@example.org>", "<- 250 OK", "-> DATA",
          "<- 354 End data with <CR><LF>.<CR><LF>", "<- 250 OK",
          // The second Send says QUIT before it connects again.
          "*** seeSmtpConnect", "-> QUIT", "<- 221 Bye", "Server = 'localhost'",
          "Connected to 'localhost'", "<- 220 loopback.test Python SMTP VERSION", "Greeting seen",
          "-> HELO example.org", "<- 250 loopback.test", "*** seeSendEmail",
          "-> MAIL FROM:<jobs@example.org>", "<- 250 OK", "-> RCPT TO:<ann@example.org>",
          "<- 250 OK", "-> DATA", "<- 354 End data with <CR><LF>.<CR><LF>", "<- 250 OK",
          "*** seeClose", "-> QUIT", "<- 221 Bye"}},
    };
    for (const auto& c : cases) {
        fs::remove(log_);
        EXPECT_EQ(Main("Function Main()\n" + c.script + "End Function\n", {{"DIR", folder}}),
                  "00000");
        EXPECT_EQ(TraceLines(log_), c.trace);
    }
}

} // namespace
} // namespace ob::test
