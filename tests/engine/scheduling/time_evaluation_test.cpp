// Evaluating time expressions into a statement's next time, increment,
// constrain window and flags, and the errors a bad expression reports.
#include "timing_fixture.h"

#include "engine/scheduling/time_evaluation.h"
#include "platform/env/environment.h"

#include <clocale>
#include <cstdlib>
#include <filesystem>

namespace ob::test {
namespace {

using datetime::OleDate;
using datetime::OleDateSpan;
using engine::STF_CRON;
using engine::STF_EXCEPT;
using engine::STF_FIRED;
using engine::STF_ONCE;

TEST_F(TimingTest, BareStatementMeansNow) {
    SetNow(2024, 3, 4, 10, 20, 30);
    const auto statement = Evaluated("");
    EXPECT_TRUE(statement->next == Now());
    EXPECT_EQ(statement->increment.Days(), 0.0);
    EXPECT_EQ(statement->constrain.Days(), 0.0);
    EXPECT_EQ(statement->flags, 0u);
    EXPECT_TRUE(Lines().empty());
}

TEST_F(TimingTest, OptionsSetTheNextTime) {
    const struct {
        int hour, minute, second; // now, on Monday 2024-03-04
        const char* text;
        OleDate expected;
    } cases[] = {
        {10, 0, 0, "-delay 0 0 5 0", OleDate::FromParts(2024, 3, 4, 10, 5, 0)},
        {10, 0, 0, "-delay 1 2 3 4", OleDate::FromParts(2024, 3, 5, 12, 3, 4)},
        {10, 0, 0, "-delay 0 0 -30 0", OleDate::FromParts(2024, 3, 4, 9, 30, 0)},
        {10, 0, 0, "-DELAY 0,0,1,0", OleDate::FromParts(2024, 3, 4, 10, 1, 0)},
        {10, 40, 10, "-top 30", OleDate::FromParts(2024, 3, 4, 11, 30, 0)},
        {10, 20, 10, "-top 30", OleDate::FromParts(2024, 3, 4, 10, 30, 0)},
        {10, 30, 40, "-top 30", OleDate::FromParts(2024, 3, 4, 10, 30, 0)},
        {10, 40, 10, "-top", OleDate::FromParts(2024, 3, 4, 11, 0, 0)},
        {10, 0, 30, "-top", OleDate::FromParts(2024, 3, 4, 10, 0, 0)},
        {10, 40, 10, "-top 15 20", OleDate::FromParts(2024, 3, 4, 11, 15, 20)},
        {23, 50, 0, "-top 10", OleDate::FromParts(2024, 3, 5, 0, 10, 0)},
        {10, 40, 10, "-delay 0 0 30 0 -top 10", OleDate::FromParts(2024, 3, 4, 11, 10, 0)},
        {10, 0, 0, "-time 14:30", OleDate::FromParts(2024, 3, 4, 14, 30, 0)},
        {10, 0, 0, "-time 08:00:15", OleDate::FromParts(2024, 3, 4, 8, 0, 15)},
        {10, 0, 0, "-delay 2 0 0 0 -time 14:30", OleDate::FromParts(2024, 3, 4, 14, 30, 0)},
        {10, 0, 0, "-time 14:30 -delay 0 0 5 0", OleDate::FromParts(2024, 3, 4, 14, 35, 0)},
        {10, 0, 0, "3/14/2030 10:15", OleDate::FromParts(2030, 3, 14, 10, 15, 0)},
        {10, 0, 0, "2030-03-14 10:15:30", OleDate::FromParts(2030, 3, 14, 10, 15, 30)},
        {10, 0, 0, "3/14/2030 10:15 -delay 1 0 0 0", OleDate::FromParts(2030, 3, 15, 10, 15, 0)},
        {10, 0, 0, "3/1/2020 08:00", OleDate::FromParts(2020, 3, 1, 8, 0, 0)},
    };
    for (const auto& c : cases) {
        SetNow(2024, 3, 4, c.hour, c.minute, c.second);
        const auto statement = Evaluated(c.text);
        EXPECT_TRUE(statement->next == c.expected)
            << c.text << ": " << statement->next.Format() << " instead of " << c.expected.Format();
    }
    EXPECT_TRUE(Lines().empty());
    EXPECT_EQ(ScriptErrors(), 0u);
}

TEST_F(TimingTest, TopDoesNotTakeAnOptionAsItsNumbers) {
    SetNow(2024, 3, 4, 10, 20, 0);
    const auto statement = Evaluated("-top 45 -once");
    EXPECT_TRUE(statement->next == OleDate::FromParts(2024, 3, 4, 10, 45, 0));
    EXPECT_EQ(statement->flags, STF_ONCE);
}

TEST_F(TimingTest, IncrementConstrainAndFlags) {
    const auto statement = Evaluated("-inc 0 0 0 5 -constrain 0 0 10 0 -except -once");
    EXPECT_EQ(statement->increment.TotalSeconds(), 5);
    EXPECT_EQ(statement->constrain.TotalSeconds(), 600);
    EXPECT_TRUE(statement->next == Now());
    EXPECT_EQ(statement->flags, STF_EXCEPT | STF_ONCE);
    EXPECT_TRUE(Lines().empty());
}

TEST_F(TimingTest, BadTimeExpressionsPrintAndPostTheirError) {
    const auto expected = [](const char* text) {
        return std::string("Format error while processing ") + text + ".\r\n Expected 'argument'";
    };
    const auto bad = [](const char* text) { return std::string("Bad date format ") + text + "."; };
    const struct {
        const char* text;
        std::string message;
    } cases[] = {
        {"-inc 0 0 0 0", bad("-inc 0 0 0 0")},
        {"-inc 0 0 0 -5", bad("-inc 0 0 0 -5")},
        {"-inc 0 1 -60 0", bad("-inc 0 1 -60 0")},
        {"-top 0 30", bad("-top 0 30")},
        {"-time 25:00", bad("-time 25:00")},
        {"tomorrow noon", bad("tomorrow noon")},
        {"3/14/2030", bad("3/14/2030")},
        {"-delay 99999999 0 0 0", bad("-delay 99999999 0 0 0")},
        {"-delay -999999 0 0 0", bad("-delay -999999 0 0 0")},
        {"-cron 0 8 * *", bad("-cron 0 8 * *")},
        // Without comma separation the "-cron" word moves: the fields are not found.
        {"-delay 0,0,5,0 -cron 0 * * * *", bad("-delay 0,0,5,0 -cron 0 * * * *")},
        {"-delay 0 0 5", expected("-delay 0 0 5")},
        {"-inc 1", expected("-inc 1")},
        {"-constrain", expected("-constrain")},
        {"-time", expected("-time")},
        {"-once -time", expected("-once -time")},
    };
    std::size_t errors = 0;
    for (const auto& c : cases) {
        bool ok = true;
        Evaluate(c.text, ok);
        EXPECT_FALSE(ok) << c.text;
        EXPECT_EQ(Lines(), std::vector<std::string>{c.message}) << c.text;
        EXPECT_EQ(ScriptErrors(), ++errors) << c.text;
    }
}

TEST_F(TimingTest, ReevaluationStartsAgainFromNowAndKeepsFlags) {
    env::Set("TS_MINUTES", "5");
    auto statement = Evaluated("-delay 0 0 %TS_MINUTES% 0 -except");
    EXPECT_TRUE(statement->next == OleDate::FromParts(2024, 3, 4, 10, 5, 0));

    // An increment given by the obsolete "-action -inc" is not part of the text.
    statement->increment = OleDateSpan(0, 1, 0, 0);
    statement->flags |= STF_FIRED;
    env::Set("TS_MINUTES", "7");
    Advance(3600);
    ASSERT_TRUE(engine::ReevaluateTimeStatement(session, *statement));
    EXPECT_TRUE(statement->next == OleDate::FromParts(2024, 3, 4, 11, 7, 0));
    EXPECT_EQ(statement->increment.TotalSeconds(), 3600);
    EXPECT_EQ(statement->flags, STF_EXCEPT | STF_FIRED);

    env::Set("TS_MINUTES", "x y");
    EXPECT_FALSE(engine::ReevaluateTimeStatement(session, *statement));
    EXPECT_EQ(Lines(),
              std::vector<std::string>{"Bad date format -delay 0 0 %TS_MINUTES% 0 -except."});
    EXPECT_EQ(ScriptErrors(), 1u);
}

TEST_F(TimingTest, CronStopsTheWalk) {
    SetNow(2024, 3, 4, 10, 20, 0);
    const auto statement = Evaluated("-once -cron 30 * * * * -delay nonsense");
    EXPECT_EQ(statement->flags, STF_ONCE | STF_CRON);
    EXPECT_TRUE(statement->next == OleDate::FromParts(2024, 3, 4, 10, 30, 0));
}

// On a 12-hour locale a time is two tokens (time and designator) and a date three.
class TwelveHourTimeSpec : public TimingTest {
protected:
    void SetUp() override {
        TimingTest::SetUp();
        const std::string source = OB_TWELVE_HOUR_LOCALE;
        ASSERT_TRUE(std::filesystem::exists(source)) << source;
        if (std::system("command -v localedef >/dev/null 2>&1") != 0) {
            GTEST_SKIP() << "no localedef on this system";
        }
        const std::filesystem::path out = locales_.Path() / "ob12";
        const std::string command =
            "localedef -c -i '" + source + "' '" + out.string() + "' >/dev/null 2>&1";
        (void)std::system(command.c_str());
        if (!std::filesystem::exists(out / "LC_TIME")) {
            GTEST_SKIP() << "localedef could not build the test locale";
        }
        ::setenv("LOCPATH", locales_.Path().c_str(), 1);
        if (std::setlocale(LC_TIME, "ob12") == nullptr) {
            GTEST_SKIP() << "the test locale does not load";
        }
    }
    void TearDown() override {
        std::setlocale(LC_TIME, "C");
        ::unsetenv("LOCPATH");
        TimingTest::TearDown();
    }

    ScratchDir locales_;
};

TEST_F(TwelveHourTimeSpec, TimesTakeTheirDesignator) {
    ASSERT_TRUE(datetime::LocaleUses12Hour());
    const struct {
        const char* text;
        OleDate expected;
    } cases[] = {
        {"-time 2:30 PM", OleDate::FromParts(2024, 3, 4, 14, 30, 0)},
        {"-time 12:05 AM -delay 0 0 1 0", OleDate::FromParts(2024, 3, 4, 0, 6, 0)},
        {"3/14/2030 2:30 PM", OleDate::FromParts(2030, 3, 14, 14, 30, 0)},
        {"3/14/2030 9:00:10 AM -once", OleDate::FromParts(2030, 3, 14, 9, 0, 10)},
    };
    for (const auto& c : cases) {
        const auto statement = Evaluated(c.text);
        EXPECT_TRUE(statement->next == c.expected) << c.text << ": " << statement->next.Format();
    }

    bool ok = true;
    Evaluate("-time 2:30", ok);
    EXPECT_FALSE(ok);
    Evaluate("3/14/2030 10:15", ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(Lines(), (std::vector<std::string>{
                           "Format error while processing -time 2:30.\r\n Expected 'argument'",
                           "Bad date format 3/14/2030 10:15."}));
    EXPECT_EQ(ScriptErrors(), 2u);
}

} // namespace
} // namespace ob::test
