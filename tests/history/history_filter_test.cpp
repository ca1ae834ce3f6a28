// The words of `obrenta history` and the console's `history`, and the listings.

#include "history/history_filter.h"
#include "history/history_listing.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace ob::history {
namespace {

// 2024-03-04 10:00:00 UTC.
constexpr std::int64_t kNow = 1709546400000;

class HistoryWordsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("TZ", "Europe/Berlin", 1);
        ::tzset();
    }
};

TEST_F(HistoryWordsTest, GoodWords) {
    struct Case {
        std::vector<std::string> words;
        HistoryFilter filter;
        bool json;
    };
    const std::vector<Case> cases = {
        {{}, {"", 0, false, kDefaultLimit}, false},
        {{"--job", "back.*", "--failed", "--limit", "0"}, {"back.*", 0, true, 0}, false},
        {{"--since", "90m"}, {"", kNow - 90 * 60000, false, kDefaultLimit}, false},
        {{"--since", "2d", "--json"}, {"", kNow - 2 * 86400000LL, false, kDefaultLimit}, true},
        {{"--since", "1w"}, {"", kNow - 7 * 86400000LL, false, kDefaultLimit}, false},
        // Local times: Berlin is an hour ahead of UTC in March.
        {{"--since", "2024-03-04 10:00:00"}, {"", kNow - 3600000, false, kDefaultLimit}, false},
        {{"--since", "2024-03-04", "09:30"}, {"", kNow - 5400000, false, kDefaultLimit}, false},
        {{"--since", "2024-03-04"}, {"", kNow - 11 * 3600000LL, false, kDefaultLimit}, false},
        {{"--limit", "1000000"}, {"", 0, false, kMaxLimit}, false},
    };
    for (const Case& c : cases) {
        std::string error;
        const auto request = ParseHistoryWords(c.words, kNow, true, error);
        ASSERT_TRUE(request) << ::testing::PrintToString(c.words) << ": " << error;
        EXPECT_EQ(request->filter.jobPattern, c.filter.jobPattern);
        EXPECT_EQ(request->filter.sinceMs, c.filter.sinceMs) << ::testing::PrintToString(c.words);
        EXPECT_EQ(request->filter.failedOnly, c.filter.failedOnly);
        EXPECT_EQ(request->filter.limit, c.filter.limit);
        EXPECT_EQ(request->json, c.json);
    }
}

TEST_F(HistoryWordsTest, BadWordsAreRefusedWithAReason) {
    struct Case {
        std::vector<std::string> words;
        const char* reason;
    };
    const std::vector<Case> cases = {
        {{"--limit"}, "--limit needs a value"},
        {{"--limit", "-1"}, "--limit takes a whole number from 0 to 1000000, not '-1'"},
        {{"--limit", "1000001"}, "--limit takes a whole number"},
        {{"--limit", "12x"}, "--limit takes a whole number"},
        {{"--since", "yesterday"}, "--since takes a local time"},
        {{"--since", "2024-02-30"}, "--since takes a local time"},
        {{"--since", "2024-03-04 25:00"}, "--since takes a local time"},
        {{"--since", "5y"}, "--since takes a local time"},
        {{"--since", "9999999999d"}, "--since takes a local time"},
        {{"--job", "(unclosed"}, "--job takes a regular expression"},
        {{"--json"}, "unknown option --json"},
        {{"backup"}, "unknown option backup"},
    };
    for (const Case& c : cases) {
        std::string error;
        EXPECT_FALSE(ParseHistoryWords(c.words, kNow, false, error))
            << ::testing::PrintToString(c.words);
        EXPECT_EQ(error.rfind(c.reason, 0), 0u) << error;
    }
}

TEST(HistoryListingTest, TableShowsFailuresBelowTheirRun) {
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    RunRecord ok;
    ok.job = "backup";
    ok.startMs = kNow;
    ok.endMs = kNow + 61234;
    ok.control = "continue";
    ok.outputLines = 12;
    RunRecord failed = ok;
    failed.job = "report";
    failed.endMs = kNow;
    failed.result = kResultAbort;
    failed.control = "abort";
    failed.failure = Failure::Fatal;
    failed.failedJob = "helper";
    failed.failedLine = 4;
    failed.failedStatement = "-copy a b";
    failed.message = "Copy file failed.";
    EXPECT_EQ(HistoryTable({ok, failed}),
              (std::vector<std::string>{
                  "STARTED                    TOOK  OUTCOME   LINES  JOB",
                  "2024-03-04 10:00:00     61.234s  continue     12  backup",
                  "2024-03-04 10:00:00      0.000s  abort        12  report",
                  "    fatal failure at line 4 of helper \"-copy a b\": Copy file failed."}));
    EXPECT_EQ(HistoryTable({}), (std::vector<std::string>{"(no runs)"}));
}

TEST(HistoryListingTest, JsonEscapesTextsAndKeepsUtf8) {
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    RunRecord run;
    run.id = 7;
    run.job = "a\"b\\c\n\x01 caf\xc3\xa9 \xe9";
    run.startMs = kNow;
    run.endMs = kNow + 5;
    run.control = "continue";
    EXPECT_EQ(HistoryJson({run}),
              "[\n{\"id\":7,\"job\":\"a\\\"b\\\\c\\n\\u0001 caf\xc3\xa9 \\u00e9\",\"file\":\"\","
              "\"start\":\"2024-03-04 10:00:00\",\"start_ms\":1709546400000,"
              "\"end_ms\":1709546400005,\"result\":0,\"control\":\"continue\",\"failed\":false,"
              "\"failure\":\"none\",\"failed_job\":\"\",\"failed_line\":0,"
              "\"failed_statement\":\"\",\"message\":\"\",\"output_lines\":0}\n]\n");
    EXPECT_EQ(HistoryJson({}), "[]\n");
}

} // namespace
} // namespace ob::history
