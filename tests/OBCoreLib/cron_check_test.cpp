// CheckTime and DestroyCronContext under the injected clock: an expression fires
// once per period, contexts live in "cron:<thread>:<id>" variables per thread, and
// bad expressions are refused without firing.

#include "OBCoreLib/cron/cron_check.h"
#include "OBCoreLib/cron/cron_fields.h"

#include "platform/env/environment.h"
#include "platform/time/clock.h"
#include "support/fixed_clock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <thread>

namespace ob::corelib {
namespace {

using namespace std::chrono_literals;

// A clock the test moves: 1995-03-14 (a Tuesday) 12:41:00 local time, the minute of
// the fixed "now", plus `offset`.
std::chrono::seconds offset{0};

std::chrono::system_clock::time_point Base() {
    return test::FixedNow() - std::chrono::seconds(29);
}

class CronCheck : public ::testing::Test {
protected:
    void SetUp() override {
        offset = 0s;
        clock::SetTestClock([] { return Base() + offset; });
        DestroyCronContext(INT32_MIN, INT32_MAX);
    }
    void TearDown() override {
        DestroyCronContext(INT32_MIN, INT32_MAX);
        clock::SetTestClock(nullptr);
    }
    static std::int32_t Check(std::int16_t id, const std::string& cron, bool reset = false) {
        const I4Result result = CheckTime(id, reset ? -1 : 0, cron);
        EXPECT_EQ(result.status, HResult::Ok) << cron;
        return result.value;
    }
};

TEST_F(CronCheck, FiresOncePerMinuteHoweverOftenItIsAsked) {
    std::vector<std::int32_t> answers;
    for (int second = 0; second < 180; second += 15) {
        offset = std::chrono::seconds(second);
        answers.push_back(Check(1, "* * * * *"));
    }
    // 12:41:00 fires (a fresh context), 12:42:00 and 12:43:00 fire, nothing between.
    EXPECT_EQ(answers, (std::vector<std::int32_t>{-1, 0, 0, 0, -1, 0, 0, 0, -1, 0, 0, 0}));
}

TEST_F(CronCheck, CronTextsFireInTheirPeriodOnly) {
    struct Case {
        const char* cron;
        std::int32_t first;  ///< at 12:41:00 on Tuesday 14 March 1995
        std::int32_t second; ///< ten seconds later
    };
    const std::vector<Case> cases = {
        {"41 12 * * *", -1, 0},
        {"42 12 * * *", 0, 0},
        {"_ _ _ _ 3", -1, 0},           // Tuesdays (1 = Sunday)
        {"_ _ _ _ 2", 0, 0},            // Mondays
        {"* * 14 3 * 1995", -1, 0},     // six fields
        {"\"41\"   12\t* *", -1, 0},    // quotes and tabs
        {"41,50 12 * * * _ 73", -1, 0}, // day of year 73
        {"41 12 * * * _ _ 10", 0, -1},  // second 10
        {"4x 12 * * *", 0, 0},          // malformed: never fires
        {"* * * * * * * *", -1, -1},    // eight fields down to the second
    };
    std::int16_t id = 10;
    for (const Case& c : cases) {
        offset = 0s;
        EXPECT_EQ(Check(id, c.cron), c.first) << c.cron;
        offset = 10s;
        EXPECT_EQ(Check(id, c.cron), c.second) << c.cron;
        ++id;
    }
}

TEST_F(CronCheck, EmptyOrOverlongCronTextsAreRefused) {
    for (const char* cron : {"", "   \t ", "* * * * * * * * *"}) {
        const I4Result result = CheckTime(3, 0, cron);
        EXPECT_EQ(result.status, HResult::False) << cron;
        EXPECT_EQ(result.value, 0) << cron;
    }
}

TEST_F(CronCheck, ResetFiresAgainWithinTheSamePeriod) {
    EXPECT_EQ(Check(7, "* * * * *"), -1);
    EXPECT_EQ(Check(7, "* * * * *"), 0);
    EXPECT_EQ(Check(7, "* * * * *", true), -1);
    EXPECT_EQ(CheckTime(7, 1, "* * * * *").value, 0) << "only True (-1) resets";
}

TEST_F(CronCheck, ContextsAreStoredPerThreadAndGarbageCountsAsMissing) {
    EXPECT_EQ(Check(5, "* * * * *"), -1);
    const auto stored = env::Get(CronContextVariable(5));
    ASSERT_TRUE(stored);
    EXPECT_EQ(*stored, "248 41 12 14 3 3 1995 73 0");

    std::int32_t other = 0;
    std::thread([&] { other = CheckTime(5, 0, "* * * * *").value; }).join();
    EXPECT_EQ(other, -1) << "another thread starts with a fresh context";

    env::Set(CronContextVariable(5), "not numbers");
    EXPECT_EQ(Check(5, "* * * * *"), -1);
}

TEST_F(CronCheck, DestroyRemovesTheThreadsContextsInTheRange) {
    Check(2, "* * * * *");
    Check(4, "* * * * *");
    Check(-3, "* * * * *");
    EXPECT_EQ(DestroyCronContext(5, 3).value, 0);
    EXPECT_EQ(DestroyCronContext(1, 10).value, 2);
    EXPECT_FALSE(env::Get(CronContextVariable(2)));
    EXPECT_TRUE(env::Get(CronContextVariable(-3)));
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(DestroyCronContext(INT32_MIN, INT32_MAX).value, 1);
    EXPECT_LT(std::chrono::steady_clock::now() - started, 1s) << "the whole range is cheap";
}

TEST(CronFields, SplitOnBlanksAndTabsOnlyWithQuotedStretches) {
    const std::vector<std::pair<std::string, std::vector<std::string>>> cases = {
        {"  30 2 * * *  ", {"30", "2", "*", "*", "*"}},
        {"1,2\t3-4", {"1,2", "3-4"}},
        {"\"a b\" c", {"a b", "c"}},
        {"x\"y z\"w", {"xy zw"}},
        {"\"\" 5", {"", "5"}},
        {"", {}},
    };
    for (const auto& [text, fields] : cases) {
        EXPECT_EQ(SplitCronFields(text), fields) << text;
    }
}

} // namespace
} // namespace ob::corelib
