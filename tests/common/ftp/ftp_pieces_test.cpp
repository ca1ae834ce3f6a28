// The FTP client's pure pieces: error texts, transfer types, wildcards, replies,
// line ends and listed names.
#include "common/ftp/ftp_error_text.h"
#include "common/ftp/ftp_line_ends.h"
#include "common/ftp/ftp_list_entry.h"
#include "common/ftp/ftp_reply.h"
#include "common/ftp/ftp_text_types.h"
#include "common/ftp/ftp_wildcard.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ob::common::ftp {
namespace {

TEST(FtpErrorText, SystemTextsDescriptionsNamesAndNumbers) {
    const struct {
        std::uint32_t code;
        std::string text;
    } cases[] = {
        {2, "The system cannot find the file specified."},
        {12014, "The request to connect and log on to an FTP server could not be completed "
                "because the supplied password is incorrect."},
        {12029, "The connection to the server could not be made."},
        {12045, "INVALID_CA"},
        {12168, "REDIRECT_NEEDS_CONFIRMATION"},
        {12035, "Error Code: 2f03"},
        {12157, "Error Code: 2f7d"},
        {99999, "Error Code: 1869f"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FtpErrorText(c.code), c.text) << c.code;
    }
}

TEST(FtpTextTypes, ModeAndExtensionChooseTheType) {
    const struct {
        int mode;
        const char* name;
        TransferType type;
    } cases[] = {
        {0, "image.gif", TransferType::kAscii},  {1, "report.log", TransferType::kBinary},
        {2, "report.log", TransferType::kAscii}, {-5, "dir.x/Page.Html", TransferType::kAscii},
        {2, "image.gif", TransferType::kBinary}, {2, "README", TransferType::kBinary},
        {2, "archive.", TransferType::kBinary},  {2, "log.d/notes", TransferType::kBinary},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TransferTypeFor(c.mode, c.name), c.type) << c.mode << " " << c.name;
    }
}

TEST(FtpTextTypes, ReplacingTheList) {
    EXPECT_EQ(TextTypesProperty(), ".CGI.CLASS.FILE.HTM.HTML.JAVA.JS.LOG.PHP.PL.PM.TEMP.TXT.XML");
    EXPECT_TRUE(SetTextTypes(".dat"));
    EXPECT_EQ(TextTypes(), ".DAT.");
    EXPECT_EQ(TransferTypeFor(2, "x.dat"), TransferType::kAscii);
    EXPECT_EQ(TransferTypeFor(2, "x.txt"), TransferType::kBinary);
    EXPECT_FALSE(SetTextTypes("txt"));
    EXPECT_EQ(TextTypes(), ".DAT.");
    EXPECT_TRUE(SetTextTypes(""));
    EXPECT_EQ(TextTypes(), ".");
    EXPECT_EQ(TransferTypeFor(2, "x.dat"), TransferType::kBinary);
    EXPECT_TRUE(
        SetTextTypes(std::string(kDefaultTextTypes.substr(0, kDefaultTextTypes.size() - 1))));
    EXPECT_EQ(TextTypes(), kDefaultTextTypes);
    EXPECT_STREQ(ModeWord(0), "Text");
    EXPECT_STREQ(ModeWord(1), "Binary");
    EXPECT_STREQ(ModeWord(7), "Auto");
}

TEST(FtpWildcard, PatternsMatchWholeNames) {
    const struct {
        const char* pattern;
        const char* name;
        bool matches;
    } cases[] = {
        {"*.tmp", "a.tmp", true},
        {"*.tmp", "a.tmp.bak", false},
        {"*.tmp", "atmp", false},
        {"?.txt", "a.txt", true},
        {"?.txt", "ab.txt", false},
        {"*", ".hidden", true},
        {"report(1).txt", "report(1).txt", true},
        {"report(1).txt", "report1.txt", false},
        {"a+b.txt", "a+b.txt", true},
        {"a+b.txt", "aab.txt", false},
        {"data[12].csv", "data2.csv", true},
        {"data[12].csv", "data3.csv", false},
        {"odd[.txt", "odd[.txt", true},
        {"$x^|y\\", "$x^|y\\", true},
        {"", "", true},
        {"", "a", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(WildcardPattern(c.pattern).Matches(c.name), c.matches)
            << c.pattern << " " << c.name;
    }
}

TEST(FtpWildcard, SpecsSplitAtTheLastSlash) {
    const struct {
        const char* spec;
        const char* directory;
        const char* pattern;
    } cases[] = {
        {"*.txt", "", "*.txt"},
        {"in/out/*.txt", "in/out", "*.txt"},
        {"/x*", "/", "x*"},
        {"dir/", "dir", ""},
    };
    for (const auto& c : cases) {
        const WildcardSpec parts = SplitSpec(c.spec);
        EXPECT_EQ(parts.directory, c.directory) << c.spec;
        EXPECT_EQ(parts.pattern, c.pattern) << c.spec;
    }
}

TEST(FtpConversation, RepliesPairWithTheirCommands) {
    FtpConversation conversation;
    conversation.Received("220 ready\r\n");
    conversation.Sent("USER me\r\n");
    conversation.Received("331 pass");
    conversation.Received("word please\r\n");
    conversation.Sent("PASS hunter2\r\n");
    conversation.Received("230-Welcome\r\n230-  to the server\r\n230 Logged in\r\n");
    conversation.Sent("PWD\r\n");
    conversation.Received("257 \"/pub/a \"\"b\"\"\" is current\n");

    const auto& replies = conversation.Replies();
    ASSERT_EQ(replies.size(), 4u);
    EXPECT_EQ(replies[0].command, "");
    EXPECT_EQ(replies[1].lines, std::vector<std::string>{"331 password please"});
    EXPECT_EQ(replies[2].command, "PASS"); // the password is never kept
    EXPECT_EQ(replies[2].code, 230);
    EXPECT_EQ(replies[2].lines.size(), 3u);
    EXPECT_EQ(DirectoryOfPwdReply(conversation.ReplyTo("PWD")->lines.back()), "/pub/a \"b\"");
    EXPECT_EQ(conversation.ReplyTo("USER me")->code, 331);
    EXPECT_EQ(conversation.ReplyTo("NOOP"), nullptr);
}

TEST(FtpConversation, LinesThatAreNoRepliesAndCutsOfLongOnes) {
    FtpConversation conversation;
    conversation.Received("garbage\r\n1234 x\r\n" + std::string(10000, 'x') + "\r\n");
    const auto& replies = conversation.Replies();
    ASSERT_EQ(replies.size(), 3u);
    EXPECT_EQ(replies[0].code, 0);
    EXPECT_EQ(replies[1].code, 0);
    EXPECT_EQ(replies[2].lines[0].size(), FtpConversation::kMaxLine);
}

TEST(FtpReplyText, LastLinesAndPwdReplies) {
    EXPECT_EQ(LastLineOf("230-a\r\n230 b  \r\n"), "230 b");
    EXPECT_EQ(LastLineOf("550 x"), "550 x");
    EXPECT_EQ(LastLineOf(" \r\n"), "");
    EXPECT_EQ(DirectoryOfPwdReply("257 \"/\" is the current directory."), "/");
    EXPECT_EQ(DirectoryOfPwdReply("257 \"/unterminated"), "");
    EXPECT_EQ(DirectoryOfPwdReply("550 \"/x\""), "");
}

TEST(FtpLineEnds, UploadConversionSurvivesSplitPieces) {
    const std::string text = "a\nb\r\nc\n";
    for (std::size_t cut = 0; cut <= text.size(); ++cut) {
        LfToCrLf toWire;
        std::string sent;
        toWire.Convert(std::string_view(text).substr(0, cut), sent);
        toWire.Convert(std::string_view(text).substr(cut), sent);
        EXPECT_EQ(sent, "a\r\nb\r\nc\r\n") << cut;
    }
}

TEST(FtpListEntry, NamesThatCouldLeaveTheDirectory) {
    const struct {
        std::string name;
        bool safe;
    } cases[] = {
        {"good.txt", true},
        {".hidden", true},
        {"", false},
        {".", false},
        {"..", false},
        {"../x", false},
        {"/etc/passwd", false},
        {"a\\b", false},
        {"a\r\nDELE b", false},
        {std::string("a\0b", 3), false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsSafeEntryName(c.name), c.safe) << c.name;
    }
}

} // namespace
} // namespace ob::common::ftp
