// The runs that stand for one AT job, from the fixed "now" of Tuesday, March 14,
// 1995 12:41:29.
#include "OBCoreLib/at/run_moments.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ob::at {
namespace {

using datetime::OleDate;

constexpr std::uint32_t At(int hour, int minute) {
    return static_cast<std::uint32_t>((hour * 60 + minute) * 60000);
}

std::vector<std::string> Texts(const std::vector<OleDate>& runs) {
    std::vector<std::string> texts;
    for (const OleDate& run : runs) {
        texts.push_back(run.Format("%Y-%m-%d %H:%M:%S"));
    }
    return texts;
}

struct Case {
    const char* what;
    std::uint32_t jobTime;
    std::uint32_t monthDays;
    std::uint8_t weekdays;
    std::vector<std::string> runs;
};

TEST(RunMoments, OneRunPerSelectedDay) {
    const OleDate now = OleDate::FromParts(1995, 3, 14, 12, 41, 29);
    const Case cases[] = {
        {"no days, the current minute still runs", At(12, 41), 0, 0, {"1995-03-14 12:41:00"}},
        {"no days, seconds kept", At(12, 41) + 45000, 0, 0, {"1995-03-14 12:41:45"}},
        {"no days, a passed minute runs tomorrow", At(12, 40), 0, 0, {"1995-03-15 12:40:00"}},
        {"Monday to Friday",
         At(8, 0),
         0,
         0x1F,
         {"1995-03-15 08:00:00", "1995-03-16 08:00:00", "1995-03-17 08:00:00",
          "1995-03-20 08:00:00", "1995-03-21 08:00:00"}},
        {"Tuesdays, later today", At(13, 0), 0, 0x02, {"1995-03-14 13:00:00"}},
        {"the 14th, passed today", At(12, 0), 1u << 13, 0, {"1995-04-14 12:00:00"}},
        {"the 31st and the 30th",
         At(9, 30),
         (1u << 30) | (1u << 29),
         0,
         {"1995-03-30 09:30:00", "1995-03-31 09:30:00"}},
        {"a day and its weekday are one run", At(7, 0), 1u << 14, 0x04, {"1995-03-15 07:00:00"}},
        {"not below a day", kDayMilliseconds, 0, 0, {}},
    };
    for (const Case& c : cases) {
        AtJobRecord job;
        job.jobTime = c.jobTime;
        job.daysOfMonth = c.monthDays;
        job.daysOfWeek = c.weekdays;
        EXPECT_EQ(Texts(RunMoments(job, now)), c.runs) << c.what;
    }
}

TEST(RunMoments, EveryDayMaskGivesEachDayOnceOnDistinctDates) {
    AtJobRecord job;
    job.jobTime = At(2, 30);
    job.daysOfMonth = kAllMonthDays;
    job.daysOfWeek = kAllWeekdays;
    const auto runs = Texts(RunMoments(job, OleDate::FromParts(1995, 2, 14, 12, 41, 29)));
    // February has no 29th to 31st: those runs fall at the end of March.
    ASSERT_EQ(runs.size(), 31u);
    EXPECT_EQ(runs.front(), "1995-02-15 02:30:00");
    EXPECT_EQ(runs[13], "1995-02-28 02:30:00");
    EXPECT_EQ(runs[14], "1995-03-01 02:30:00");
    EXPECT_EQ(runs.back(), "1995-03-31 02:30:00");
    for (std::size_t i = 1; i < runs.size(); ++i) {
        EXPECT_LT(runs[i - 1], runs[i]);
    }
}

} // namespace
} // namespace ob::at
