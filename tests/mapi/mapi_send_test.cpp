// MAPISendMail through the sendmail stand-in: the messages it is handed read back
// correctly with Python's email parser; messages that must not go are refused
// before the mail program runs; a mail program that fails is a failure with its
// reason, never a message sent.
#include "mail_test_support.h"
#include "obrenta/mapi.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace ob::test {
namespace {

/// A message to build in a table: recipients as (class, name, address).
struct Draft {
    std::vector<std::tuple<std::uint32_t, std::string, std::string>> recipients;
    std::string subject;
    std::string body;
    std::vector<std::pair<std::string, std::string>> files = {}; // (path, name)
};

std::uint32_t Send(const Draft& draft, LHANDLE session = 0) {
    std::vector<MapiRecipDesc> recips;
    for (const auto& [recipClass, name, address] : draft.recipients) {
        recips.push_back({0, recipClass, const_cast<char*>(name.c_str()),
                          const_cast<char*>(address.c_str()), 0, nullptr});
    }
    std::vector<MapiFileDesc> files;
    for (const auto& [path, name] : draft.files) {
        files.push_back({0, 0, static_cast<std::uint32_t>(-1), const_cast<char*>(path.c_str()),
                         name.empty() ? nullptr : const_cast<char*>(name.c_str()), nullptr});
    }
    MapiMessage message{};
    message.lpszSubject = const_cast<char*>(draft.subject.c_str());
    message.lpszNoteText = const_cast<char*>(draft.body.c_str());
    message.nRecipCount = static_cast<std::uint32_t>(recips.size());
    message.lpRecips = recips.empty() ? nullptr : recips.data();
    message.nFileCount = static_cast<std::uint32_t>(files.size());
    message.lpFiles = files.empty() ? nullptr : files.data();
    return MAPISendMail(session, 0, &message, 0, 0);
}

class MapiSendTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::filesystem::exists(kSystemPython)) {
            GTEST_SKIP() << "needs Debian's " << kSystemPython << " to read messages back";
        }
        WriteProfile("jobs", "jobs@example.com", "Nightly Jobs");
        SetMapiValue("default_profile", "jobs");
    }

    std::string WriteData(const std::string& name, const std::string& bytes) const {
        const std::string path = dir_ / name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    ScratchDir dir_;
    FakeSendmailSetup sendmail_{dir_};
};

TEST_F(MapiSendTest, MessagesReadBackAsTheyWereGiven) {
    std::string binary;
    for (int i = 0; i < 100000; ++i) {
        binary += static_cast<char>((i * 131) % 256);
    }
    const std::string data = WriteData("report.bin", binary);
    const std::string notes = WriteData("notes.txt", "line\n");
    struct Case {
        Draft draft;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {{{{MAPI_TO, "bob@example.com", "SMTP:bob@example.com"}}, "Backup done", "All well.\n"},
         "From: Nightly Jobs <jobs@example.com>\nTo: bob@example.com\nSubject: Backup done\n"
         "text: us-ascii 'All well.\\n'\nproblems: none\n"},
        {{{{MAPI_TO, "J\xc3\xb6rg M\xc3\xbcller", "jorg@example.com"},
           {MAPI_CC, "", "SMTP:ops@example.com"},
           {MAPI_BCC, "Audit, Team", "audit@example.com"}},
          "R\xc3\xa9sum\xc3\xa9 \xe2\x82\xac 5",
          "Gr\xc3\xbc\xc3\x9f"
          "e\r\nzweite Zeile"},
         "From: Nightly Jobs <jobs@example.com>\n"
         "To: J\xc3\xb6rg M\xc3\xbcller <jorg@example.com>\nCc: ops@example.com\n"
         "Bcc: \"Audit, Team\" <audit@example.com>\n"
         "Subject: R\xc3\xa9sum\xc3\xa9 \xe2\x82\xac 5\n"
         "text: utf-8 'Gr\xc3\xbc\xc3\x9f"
         "e\\r\\nzweite Zeile'\nproblems: none\n"},
        {{{{MAPI_TO, "", "root"}},
          "two files",
          "see attached",
          {{data, ""}, {notes, "Notiz \"v2\" \xc3\xa4.txt"}}},
         "From: Nightly Jobs <jobs@example.com>\nTo: root\nSubject: two files\n"
         "text: us-ascii 'see attached\\n'\n"
         "attachment: report.bin application/octet-stream 100000 " +
             Sha256Of(data) +
             "\nattachment: Notiz \"v2\" \xc3\xa4.txt application/octet-stream 5 " +
             Sha256Of(notes) + "\nproblems: none\n"},
        {{{{MAPI_TO, "", "bob@example.com"}},
          "a rather long subject line that goes on and on about the nightly backup of the "
          "accounts and its many many files",
          std::string(1500, 'x')},
         "From: Nightly Jobs <jobs@example.com>\nTo: bob@example.com\n"
         "Subject: a rather long subject line that goes on and on about the nightly backup of "
         "the accounts and its many many files\n"
         "text: us-ascii '" +
             std::string(1500, 'x') + "'\nproblems: none\n"},
    };
    for (const Case& c : cases) {
        std::filesystem::remove(sendmail_.MessageFile());
        ASSERT_EQ(Send(c.draft), SUCCESS_SUCCESS) << c.draft.subject << ": " << MapiLastError();
        EXPECT_EQ(MapiLastError(), "");
        EXPECT_EQ(ParseWithPython(sendmail_.MessageFile()), c.expected) << c.draft.subject;
    }
}

TEST_F(MapiSendTest, TheMailProgramReadsRecipientsFromTheHeadersWithTheSenderAndOptions) {
    SetMapiValue("sendmail_options", " -a  jobs ");
    ASSERT_EQ(Send({{{MAPI_TO, "", "bob@example.com"}}, "s", "b"}), SUCCESS_SUCCESS);
    EXPECT_EQ(sendmail_.Arguments(), "-t\n-i\n-f\njobs@example.com\n-a\njobs\n");

    // Without a configured profile the mail program chooses the sender.
    SetMapiValue("default_profile", "");
    ASSERT_EQ(Send({{{MAPI_TO, "", "bob@example.com"}}, "s", "b"}), SUCCESS_SUCCESS);
    EXPECT_EQ(sendmail_.Arguments(), "-t\n-i\n-a\njobs\n");
    EXPECT_EQ(ReadFile(sendmail_.MessageFile()).find("From:"), std::string::npos);
}

TEST_F(MapiSendTest, AMessageThatMustNotGoIsRefusedBeforeTheMailProgramRuns) {
    const std::string directory = dir_ / "folder";
    std::filesystem::create_directory(directory);
    const std::string file = WriteData("a.txt", "a");
    struct Case {
        Draft draft;
        std::uint32_t code;
        std::string why; // a part of the last error
    };
    const std::vector<Case> cases = {
        {{{{MAPI_TO, "", "bob@example.com"}}, "Hi\r\nBcc: eve@example.com", "b"},
         MAPI_E_INVALID_MESSAGE,
         "The subject \"Hi\\r\\nBcc: eve@example.com\" holds a line break"},
        {{{{MAPI_TO, "", "bob@example.com"}}, "Hi\nthere", "b"},
         MAPI_E_INVALID_MESSAGE,
         "line break"},
        {{{{MAPI_TO, "bob", "SMTP:bob@example.com\r\nBcc: eve@example.com"}}, "s", "b"},
         MAPI_E_INVALID_RECIPS,
         "it has a line break"},
        {{{{MAPI_TO, "Bob\nBcc: eve@example.com", "bob@example.com"}}, "s", "b"},
         MAPI_E_INVALID_RECIPS,
         "holds a line break"},
        {{{{MAPI_TO, "", "FAX:12345"}}, "s", "b"}, MAPI_E_INVALID_RECIPS, "other than SMTP"},
        {{{{MAPI_TO, "Bob Smith", ""}}, "s", "b"},
         MAPI_E_UNKNOWN_RECIPIENT,
         "No address is known for the recipient \"Bob Smith\""},
        {{{}, "s", "b"}, MAPI_E_INVALID_RECIPS, "no recipients"},
        {{{{MAPI_ORIG, "", "bob@example.com"}}, "s", "b"}, MAPI_E_BAD_RECIPTYPE, "class 0"},
        {{{{4, "", "bob@example.com"}}, "s", "b"}, MAPI_E_BAD_RECIPTYPE, "class 4"},
        {{{{MAPI_TO, "", "bob@example.com"}}, "s", "b", {{dir_ / "missing.txt", ""}}},
         MAPI_E_ATTACHMENT_NOT_FOUND,
         "missing.txt\" does not exist"},
        {{{{MAPI_TO, "", "bob@example.com"}}, "s", "b", {{directory, ""}}},
         MAPI_E_ATTACHMENT_OPEN_FAILURE,
         "is not a regular file"},
        {{{{MAPI_TO, "", "bob@example.com"}}, "s", "b", {{"", ""}}},
         MAPI_E_ATTACHMENT_NOT_FOUND,
         "no file path"},
        {{{{MAPI_TO, "", "bob@example.com"}},
          "s",
          "b",
          std::vector<std::pair<std::string, std::string>>(101, {file, ""})},
         MAPI_E_TOO_MANY_FILES,
         "at most 100"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Send(c.draft), c.code) << c.why;
        EXPECT_NE(MapiLastError().find(c.why), std::string::npos) << MapiLastError();
        EXPECT_FALSE(std::filesystem::exists(sendmail_.MessageFile() + ".args")) << c.why;
    }
    EXPECT_EQ(Send({{{MAPI_TO, "", "bob@example.com"}}, "s", "b"}, 12345), MAPI_E_INVALID_SESSION);
}

TEST_F(MapiSendTest, AFailedMailProgramIsAFailureWithItsReason) {
    const std::string big = WriteData("big.bin", std::string(8u << 20, 'z'));
    const Draft plain{{{MAPI_TO, "", "bob@example.com"}}, "s", "b"};
    const Draft large{{{MAPI_TO, "", "bob@example.com"}}, "s", "b", {{big, ""}}};
    const std::string program = "\"" + FakeSendmail() + "\"";
    struct Case {
        std::string mode;
        std::string program; // the sendmail setting; empty: the stand-in
        const Draft* draft;
        std::string why;
    };
    const std::vector<Case> cases = {
        {"ok", "/nonexistent/sendmail", &plain,
         "The mail program \"/nonexistent/sendmail\" could not be started: No such file or "
         "directory."},
        {"ok", "no-such-sendmail-program", &plain,
         "The mail program \"no-such-sendmail-program\" was not found on the search path."},
        {"refuse", "", &plain,
         "The mail program " + program +
             " failed with exit status 67. It said: fake-sendmail: recipient refused"},
        {"signal", "", &plain, "The mail program " + program + " was ended by signal 15."},
        {"noread", "", &large,
         "The message could not be written to the mail program " + program +
             ": Broken pipe. It said: fake-sendmail: not reading today"},
        {"hang", "", &plain,
         "The mail program " + program + " did not finish within 1 seconds and was stopped."},
    };
    SetMapiValue("timeout", "1");
    for (const Case& c : cases) {
        sendmail_.Mode(c.mode);
        SetMapiValue("sendmail", c.program.empty() ? FakeSendmail() : c.program);
        EXPECT_EQ(Send(*c.draft), static_cast<std::uint32_t>(MAPI_E_FAILURE)) << c.mode;
        EXPECT_EQ(MapiLastError(), c.why);
    }
}

} // namespace
} // namespace ob::test
