// The FTP client's pure pieces: error texts, transfer types, wildcards, replies,
// line ends and listed names.
#include "common/ftp/ftp_error_text.h"
#include "common/ftp/ftp_line_ends.h"
#include "common/ftp/ftp_list_entry.h"
#include "common/ftp/ftp_listing_parser.h"
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
        const char* wildcard;
        const char* directory;
        const char* pattern;
    } cases[] = {
        {"*.txt", "", "*.txt"},
        {"in/out/*.txt", "in/out", "*.txt"},
        {"/x*", "/", "x*"},
        {"dir/", "dir", ""},
    };
    for (const auto& c : cases) {
        const WildcardSpec parts = SplitSpec(c.wildcard);
        EXPECT_EQ(parts.directory, c.directory) << c.wildcard;
        EXPECT_EQ(parts.pattern, c.pattern) << c.wildcard;
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

TEST(FtpListingParser, UnixAndWindowsLines) {
    const struct {
        const char* line;
        const char* name; // null: not an entry
        bool directory;
        std::uint64_t size;
    } cases[] = {
        {"-rw-r--r--   1 owner    group        1234 Jan 01  2020 report.txt", "report.txt", false,
         1234},
        {"drwxr-xr-x   2 owner    group        4096 Dec 31 23:59 my dir", "my dir", true, 4096},
        {"-rw-r--r--   1 owner       7 Mar  5  1999  leading blank", " leading blank", false, 7},
        {"lrwxrwxrwx   1 o g 11 Feb 02 2021 link -> target", "link", false, 11},
        {"-rw-r--r--   1 o g 5 Jan 01 2020 ../escape.txt", "../escape.txt", false, 5},
        {"01-01-20  10:00AM       <DIR>          Win Dir", "Win Dir", true, 0},
        {"12-31-1999  11:59PM             42 w.txt", "w.txt", false, 42},
        {"total 12", nullptr, false, 0},
        {"-rw-r--r-- 1 o g x Jan 01 2020 nosize", nullptr, false, 0},
        {"-rw-r--r-- 1 o g 5 Foo 01 2020 badmonth", nullptr, false, 0},
        {"01-01-20  10:00AM  <DIR>", nullptr, false, 0},
        {"13-01-20  10:00AM  5 badmonth", nullptr, false, 0},
        {"", nullptr, false, 0},
    };
    for (const auto& c : cases) {
        const auto entry = ParseListingLine(c.line);
        if (c.name == nullptr) {
            EXPECT_FALSE(entry.has_value()) << c.line;
            continue;
        }
        ASSERT_TRUE(entry.has_value()) << c.line;
        EXPECT_EQ(entry->name, c.name);
        EXPECT_EQ(entry->directory, c.directory) << c.line;
        EXPECT_EQ(entry->size, c.size) << c.line;
    }
    EXPECT_EQ(ParseListingLine("01-02-20  01:30PM 1 x")->modified, 1577971800); // 2020-01-02 13:30
    EXPECT_EQ(ParseListingLine("-rw-r--r-- 1 o g 1 Jan 02 2020 x")->modified, 1577923200);
}

TEST(FtpListingParser, ListingsRunInReverseAndSkipNoise) {
    const FtpListing listing = ParseListing("total 2\r\n-rw-r--r-- 1 o g 1 Jan 01 2020 a\r\n"
                                            "garbage\n-rw-r--r-- 1 o g 2 Jan 01 2020 b");
    ASSERT_EQ(listing.size(), 2u);
    EXPECT_EQ(listing[0].name, "b");
    EXPECT_EQ(listing[1].name, "a");
}

} // namespace
} // namespace ob::common::ftp
