// Skip statements: building the day table and testing today against it.
#include "timing_fixture.h"

#include "engine/jobs/skip_statement.h"
#include "engine/scheduling/time_evaluation.h"

namespace ob::test {
namespace {

using engine::SkipStatement;

std::vector<std::string> Split(std::string_view text) {
    std::vector<std::string> tokens;
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t end = std::min(text.find(' ', i), text.size());
        if (end > i) {
            tokens.emplace_back(text.substr(i, end - i));
        }
        i = end + 1;
    }
    return tokens;
}

class SkipTest : public TimingTest {
protected:
    // Adds a skip statement to the job; the parse result.
    bool AddSkip(std::string_view text) {
        auto skip = std::make_unique<SkipStatement>();
        skip->SetText(text);
        const bool ok = engine::ParseSkip(session, Split(text), *skip, skip->Text());
        if (ok) {
            job.Add(std::move(skip));
        }
        return ok;
    }
};

TEST_F(SkipTest, WeekDaysOneAndSevenAreSundayAndSaturday) {
    ASSERT_TRUE(AddSkip("-week 1 7"));
    const auto* skip = dynamic_cast<const SkipStatement*>(job.Statements().back().get());
    ASSERT_NE(skip, nullptr);
    EXPECT_EQ(skip->days, (std::vector<std::uint8_t>{1, 0, 0, 0, 0, 0, 1}));

    const struct {
        int day;
        bool skipped;
    } week[] = {{3, true}, {4, false}, {5, false}, {8, false}, {9, true}, {10, true}};
    for (const auto& d : week) {
        SetNow(2024, 3, d.day, 12, 0, 0);
        EXPECT_EQ(engine::SkippedToday(job), d.skipped) << "March " << d.day;
    }
    EXPECT_TRUE(Lines().empty());
}

TEST_F(SkipTest, YearDaysAndSeveralStatements) {
    ASSERT_TRUE(AddSkip("-YEAR 60 366"));
    ASSERT_TRUE(AddSkip("-Week 4"));
    const struct {
        int year, month, day;
        bool skipped;
    } days[] = {
        {2024, 2, 29, true},  // day 60 of a leap year
        {2024, 3, 1, false},  // day 61, a Friday
        {2023, 3, 1, true},   // day 60 of a common year
        {2024, 12, 31, true}, // day 366
        {2024, 3, 6, true},   // a Wednesday
        {2024, 3, 7, false},
    };
    for (const auto& d : days) {
        SetNow(d.year, d.month, d.day, 0, 0, 0);
        EXPECT_EQ(engine::SkippedToday(job), d.skipped) << d.year << "-" << d.month << "-" << d.day;
    }
}

TEST_F(SkipTest, ZeroEndsTheList) {
    ASSERT_TRUE(AddSkip("-week 2 0 9 x"));
    const auto* skip = dynamic_cast<const SkipStatement*>(job.Statements().back().get());
    EXPECT_EQ(skip->days, (std::vector<std::uint8_t>{0, 1, 0, 0, 0, 0, 0}));
}

TEST_F(SkipTest, JobWithoutSkipStatementsIsNeverSkipped) {
    EXPECT_FALSE(engine::SkippedToday(job));
}

TEST_F(SkipTest, BadSkipStatementsPrintAndPostTheirError) {
    const std::string expectedWeekOrYear =
        "Bad skip format. Expected either \"-week\" or \"-year\".";
    const struct {
        const char* text;
        std::string message;
    } cases[] = {
        {"-year", "Bad skip format -year."},
        {"", "Bad skip format ."},
        {"-week 8", "Bad skip format. Value out of range -week 8."},
        {"-year 367", "Bad skip format. Value out of range -year 367."},
        {"-week 1 x", "Bad skip format. Value out of range -week 1 x."},
        {"-week -1", "Bad skip format. Value out of range -week -1."},
        {"-week 99999999999", "Bad skip format. Value out of range -week 99999999999."},
        {"-month 1", expectedWeekOrYear},
        {"1 -week", expectedWeekOrYear},
        {"-week 1 2 3 4 5 6 7 1", expectedWeekOrYear},
    };
    std::size_t errors = 0;
    for (const auto& c : cases) {
        EXPECT_FALSE(AddSkip(c.text)) << c.text;
        EXPECT_EQ(Lines(), std::vector<std::string>{c.message}) << c.text;
        EXPECT_EQ(ScriptErrors(), ++errors) << c.text;
    }
    EXPECT_EQ(job.Statements().size(), 1u); // only the JobEnvironment
}

} // namespace
} // namespace ob::test
