// The pieces of a message's form that its readers depend on: header texts and
// their folding, mailboxes, and dates. Whole messages are read back by Python's
// email parser in mapi_send_test.cpp.
#include "mapi/mime_message.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

namespace ob::test {
namespace {

std::size_t LongestLine(const std::string& text, std::size_t first) {
    std::size_t longest = 0;
    std::size_t line = first;
    for (const char c : text) {
        line = c == '\n' ? 0 : line + 1;
        longest = std::max(longest, line);
    }
    return longest;
}

TEST(MimeMessageTest, HeaderTextsAreEncodedOnlyWhenNeededAndFolded) {
    struct Case {
        std::string text;
        std::string expected; // empty: only the checks below
    };
    const std::string longAscii = "word " + std::string(20, 'x') + " more words to fold here " +
                                  "and again more words past the line limit";
    const std::vector<Case> cases = {
        {"Nightly backup done", "Nightly backup done"},
        {"Gr\xc3\xbc\xc3\x9f"
         "e",
         "=?utf-8?B?R3LDvMOfZQ==?="},
        {"caf\xe9", "=?windows-1252?B?Y2Fm6Q==?="},
        {"looks =?like?= a word", "=?utf-8?B?bG9va3MgPT9saWtlPz0gYSB3b3Jk?="},
        {"tab\there", "=?utf-8?B?dGFiCWhlcmU=?="},
        {longAscii, ""},
        {std::string(30, '\xe2') + "", ""},
    };
    for (const Case& c : cases) {
        const std::string header = mapi::HeaderText(c.text, 9);
        if (!c.expected.empty()) {
            EXPECT_EQ(header, c.expected) << c.text;
        }
        EXPECT_LE(LongestLine(header, 9), 78u) << header;
    }
    // Folding keeps every word and only adds line breaks before blanks.
    std::string unfolded = mapi::HeaderText(longAscii, 9);
    EXPECT_NE(unfolded.find("\n "), std::string::npos);
    std::erase(unfolded, '\n');
    EXPECT_EQ(unfolded, longAscii);
}

TEST(MimeMessageTest, EncodedWordsNeverSplitACharacter) {
    std::string text;
    for (int i = 0; i < 40; ++i) {
        text += "\xe2\x82\xac"; // three bytes each: 45 bytes would cut the 16th
    }
    const std::string header = mapi::HeaderText(text, 9);
    std::size_t words = 0;
    for (std::size_t at = header.find("=?utf-8?B?"); at != std::string::npos;
         at = header.find("=?utf-8?B?", at + 1)) {
        ++words;
    }
    EXPECT_EQ(words, 3u) << header; // 15 + 15 + 10 characters
    EXPECT_NE(
        header.find("=?utf-8?B?4oKs4oKs4oKs4oKs4oKs4oKs4oKs4oKs4oKs4oKs4oKs4oKs4oKs4oKs4oKs?="),
        std::string::npos)
        << header;
}

TEST(MimeMessageTest, MailboxesShowNamesOnlyWhenTheyDifferFromTheAddress) {
    const std::vector<std::vector<std::string>> cases = {
        {"", "bob@example.com", "bob@example.com"},
        {"bob@example.com", "bob@example.com", "bob@example.com"},
        {"Bob Smith", "bob@example.com", "Bob Smith <bob@example.com>"},
        {"Smith, Bob", "bob@example.com", "\"Smith, Bob\" <bob@example.com>"},
        {"say \"hi\"", "bob@example.com", "\"say \\\"hi\\\"\" <bob@example.com>"},
        {"J\xc3\xb6rg", "jorg@example.com", "=?utf-8?B?SsO2cmc=?= <jorg@example.com>"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(mapi::FormatMailbox(c[0], c[1]), c[2]) << c[0];
    }
}

TEST(MimeMessageTest, DatesUseEnglishNamesAndTheZoneOffset) {
    const char* saved = std::getenv("TZ");
    const std::string previous = saved == nullptr ? "" : saved;
    ::setenv("TZ", "XST5", 1); // five hours west of UTC, no summer time
    ::tzset();
    // 2024-01-02 20:04:05 UTC, a Tuesday.
    const auto when = std::chrono::system_clock::from_time_t(1704225845);
    EXPECT_EQ(mapi::MailDate(when), "Tue, 02 Jan 2024 15:04:05 -0500");
    ::setenv("TZ", "XST-5:30", 1);
    ::tzset();
    EXPECT_EQ(mapi::MailDate(when), "Wed, 03 Jan 2024 01:34:05 +0530");
    if (saved == nullptr) {
        ::unsetenv("TZ");
    } else {
        ::setenv("TZ", previous.c_str(), 1);
    }
    ::tzset();
}

TEST(MimeMessageTest, FramesDifferFromMessageToMessage) {
    const mapi::MessageFrame first = mapi::NewFrame();
    const mapi::MessageFrame second = mapi::NewFrame();
    EXPECT_NE(first.messageId, second.messageId);
    EXPECT_NE(first.boundary, second.boundary);
    EXPECT_EQ(first.messageId.front(), '<');
    EXPECT_NE(first.messageId.find('@'), std::string::npos);
}

} // namespace
} // namespace ob::test
