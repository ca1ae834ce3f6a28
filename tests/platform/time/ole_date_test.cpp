#include "platform/time/clock.h"
#include "platform/time/ole_date.h"

#include "local_zone.h"

#include <gtest/gtest.h>

#include <cmath>
#include <iomanip>
#include <limits>

namespace {

using ob::datetime::DateParts;
using ob::datetime::OleDate;
using ob::datetime::OleDateSpan;
using ob::datetime::Status;

constexpr double kSecond = 1.0 / 86400.0;

struct CalendarCase {
    int year, month, day, hour, minute, second;
    double value;
    int dayOfWeek;
    int dayOfYear;
};

// Values worked out independently (proleptic Gregorian day numbers from
// 1899-12-30; negative dates subtract their time of day).
const CalendarCase kCalendarCases[] = {
    {1899, 12, 30, 0, 0, 0, 0.0, 6, 364},
    {1899, 12, 30, 12, 0, 0, 0.5, 6, 364},
    {1899, 12, 31, 0, 0, 0, 1.0, 0, 365},
    {1899, 12, 29, 0, 0, 0, -1.0, 5, 363},
    {1899, 12, 29, 6, 0, 0, -1.25, 5, 363},
    {1899, 12, 29, 18, 0, 0, -1.75, 5, 363},
    {1900, 1, 1, 0, 0, 0, 2.0, 1, 1},
    {1900, 3, 1, 0, 0, 0, 61.0, 4, 60}, // 1900 is no leap year
    {1970, 1, 1, 0, 0, 0, 25569.0, 4, 1},
    {1995, 3, 14, 12, 41, 29, 34772.0 + 45689.0 / 86400.0, 2, 73},
    {2000, 2, 29, 0, 0, 0, 36585.0, 2, 60},
    {2024, 2, 29, 23, 59, 59, 45351.0 + 86399.0 / 86400.0, 4, 60},
    {2024, 12, 31, 0, 0, 0, 45657.0, 2, 366},
    {1800, 6, 15, 13, 30, 0, -36357.0 - 48600.0 / 86400.0, 0, 166},
    {1600, 2, 29, 0, 0, 0, -109512.0, 2, 60},
    {1582, 10, 15, 0, 0, 0, -115858.0, 5, 288},
    {1000, 1, 1, 8, 0, 1, -328716.0 - 28801.0 / 86400.0, 3, 1},
    {100, 1, 1, 0, 0, 0, -657434.0, 5, 1},
    {100, 1, 1, 23, 59, 59, -657434.0 - 86399.0 / 86400.0, 5, 1},
    {100, 3, 1, 0, 0, 0, -657375.0, 1, 60},
    {9999, 12, 31, 0, 0, 0, 2958465.0, 5, 365},
    {9999, 12, 31, 23, 59, 59, 2958465.0 + 86399.0 / 86400.0, 5, 365},
};

TEST(OleDateCalendar, PartsToValueAndBack) {
    for (const CalendarCase& c : kCalendarCases) {
        SCOPED_TRACE(testing::Message() << c.year << "-" << c.month << "-" << c.day << " " << c.hour
                                        << ":" << c.minute << ":" << c.second);
        const OleDate date = OleDate::FromParts(c.year, c.month, c.day, c.hour, c.minute, c.second);
        ASSERT_TRUE(date.IsValid());
        EXPECT_NEAR(date.Value(), c.value, 1e-9);

        DateParts parts;
        ASSERT_TRUE(OleDate(c.value).GetParts(parts));
        EXPECT_EQ(parts.year, c.year);
        EXPECT_EQ(parts.month, c.month);
        EXPECT_EQ(parts.day, c.day);
        EXPECT_EQ(parts.hour, c.hour);
        EXPECT_EQ(parts.minute, c.minute);
        EXPECT_EQ(parts.second, c.second);
        EXPECT_EQ(parts.dayOfWeek, c.dayOfWeek);
        EXPECT_EQ(parts.dayOfYear, c.dayOfYear);
    }
}

TEST(OleDateCalendar, EverySecondOfSampleDaysRoundTrips) {
    // Whole days on both sides of the epoch, where the OLE value runs backwards
    // in its fraction, and a leap day.
    for (int day : {-657434, -2, -1, 0, 1, 36585, 2958465}) {
        for (int second = 0; second < 86400; second += 7) {
            const double linear = day + second / 86400.0;
            const double value = day >= 0 ? linear : day - second / 86400.0;
            DateParts parts;
            ASSERT_TRUE(OleDate(value).GetParts(parts)) << value;
            const OleDate back = OleDate::FromParts(parts.year, parts.month, parts.day, parts.hour,
                                                    parts.minute, parts.second);
            ASSERT_TRUE(back.IsValid());
            ASSERT_NEAR(back.Value(), value, 1e-9) << day << " " << second;
            ASSERT_EQ(parts.hour * 3600 + parts.minute * 60 + parts.second, second);
        }
    }
}

TEST(OleDateCalendar, InvalidPartsGiveInvalidDate) {
    struct Parts {
        int year, month, day, hour, minute, second;
    };
    const Parts cases[] = {
        {99, 12, 31, 0, 0, 0},  {10000, 1, 1, 0, 0, 0}, {1995, 0, 1, 0, 0, 0},
        {1995, 13, 1, 0, 0, 0}, {1995, 1, 0, 0, 0, 0},  {1995, 1, 32, 0, 0, 0},
        {1900, 2, 29, 0, 0, 0}, {2000, 2, 30, 0, 0, 0}, {2023, 2, 29, 0, 0, 0},
        {1995, 4, 31, 0, 0, 0}, {1995, 1, 1, 24, 0, 0}, {1995, 1, 1, -1, 0, 0},
        {1995, 1, 1, 0, 60, 0}, {1995, 1, 1, 0, -1, 0}, {1995, 1, 1, 0, 0, 60},
        {1995, 1, 1, 0, 0, -1}, {-1995, 1, 1, 0, 0, 0}, {1995, -1, 1, 0, 0, 0},
    };
    for (const Parts& p : cases) {
        const OleDate date = OleDate::FromParts(p.year, p.month, p.day, p.hour, p.minute, p.second);
        EXPECT_EQ(date.GetStatus(), Status::Invalid)
            << p.year << "-" << p.month << "-" << p.day << " " << p.hour << ":" << p.minute << ":"
            << p.second;
    }
}

struct RoundingCase {
    double value;
    bool valid; // status of OleDate(value)
    bool ok;    // GetParts succeeds
    int year, month, day, hour, minute, second;
};

TEST(OleDateCalendar, ConversionRoundsToTheSecondAndChecksRange) {
    const RoundingCase cases[] = {
        {34772.5 + 0.4 * kSecond, true, true, 1995, 3, 14, 12, 0, 0},
        {34772.5 + 0.6 * kSecond, true, true, 1995, 3, 14, 12, 0, 1},
        // Rounding carries into the next day.
        {0.99999999, true, true, 1899, 12, 31, 0, 0, 0},
        // Day -1 at almost 24:00 is midnight of day 0, not of day -2.
        {-1.99999999, true, true, 1899, 12, 30, 0, 0, 0},
        // A negative value above -1 is day 0 with its time counted forwards.
        {-0.25, true, true, 1899, 12, 30, 6, 0, 0},
        {-657434.5, true, true, 100, 1, 1, 12, 0, 0},
        {-657435.0, false, false, 0, 0, 0, 0, 0, 0},
        {2958466.0, false, false, 0, 0, 0, 0, 0, 0},
        // 9999-12-31 23:59:59.9 rounds into the year 10000.
        {2958465.0 + 86399.9 * kSecond, true, false, 0, 0, 0, 0, 0, 0},
        {std::numeric_limits<double>::quiet_NaN(), false, false, 0, 0, 0, 0, 0, 0},
        {std::numeric_limits<double>::infinity(), false, false, 0, 0, 0, 0, 0, 0},
        {-std::numeric_limits<double>::infinity(), false, false, 0, 0, 0, 0, 0, 0},
        {1e300, false, false, 0, 0, 0, 0, 0, 0},
    };
    for (const RoundingCase& c : cases) {
        SCOPED_TRACE(testing::Message() << std::setprecision(17) << c.value);
        const OleDate date(c.value);
        EXPECT_EQ(date.IsValid(), c.valid);
        DateParts parts;
        ASSERT_EQ(date.GetParts(parts), c.ok);
        if (c.ok) {
            EXPECT_EQ(parts.year, c.year);
            EXPECT_EQ(parts.month, c.month);
            EXPECT_EQ(parts.day, c.day);
            EXPECT_EQ(parts.hour, c.hour);
            EXPECT_EQ(parts.minute, c.minute);
            EXPECT_EQ(parts.second, c.second);
        }
    }
}

TEST(OleDateCalendar, NullAndInvalidHaveNoParts) {
    DateParts parts;
    EXPECT_FALSE(OleDate::Null().GetParts(parts));
    EXPECT_FALSE(OleDate::InvalidDate().GetParts(parts));
    EXPECT_EQ(OleDate::Null().GetStatus(), Status::Null);
    EXPECT_TRUE(OleDate().IsValid());
    EXPECT_EQ(OleDate().Value(), 0.0);
    std::time_t t = 0;
    EXPECT_FALSE(OleDate::InvalidDate().ToTimeT(t));
}

TEST(OleDateArithmetic, AddsAndSubtractsAcrossTheEpoch) {
    struct Case {
        double start;
        double spanDays;
        int year, month, day, hour;
    };
    const Case cases[] = {
        {-1.0, 1.25, 1899, 12, 30, 6},     // 12-29 00:00 + 30 h
        {-1.25, 0.5, 1899, 12, 29, 18},    // 12-29 06:00 + 12 h
        {0.0, -1.25, 1899, 12, 28, 18},    // 12-30 00:00 - 30 h
        {0.25, -0.5, 1899, 12, 29, 18},    // 12-30 06:00 - 12 h
        {-2.75, 3.0, 1899, 12, 31, 18},    // 12-28 18:00 + 3 d
        {34772.5, 365.0, 1996, 3, 13, 12}, // 1996 is a leap year
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.start << " + " << c.spanDays);
        const OleDate sum = OleDate(c.start) + OleDateSpan(c.spanDays);
        DateParts parts;
        ASSERT_TRUE(sum.GetParts(parts));
        EXPECT_EQ(parts.year, c.year);
        EXPECT_EQ(parts.month, c.month);
        EXPECT_EQ(parts.day, c.day);
        EXPECT_EQ(parts.hour, c.hour);
        EXPECT_EQ(parts.minute, 0);
        // Subtracting the span goes back to the start, and the difference is the span.
        EXPECT_TRUE(sum - OleDateSpan(c.spanDays) == OleDate(c.start));
        EXPECT_NEAR((sum - OleDate(c.start)).Days(), c.spanDays, 1e-9);
    }
}

TEST(OleDateArithmetic, DifferenceAcrossTheEpoch) {
    const OleDate late = OleDate::FromParts(1899, 12, 31, 6, 0, 0);
    const OleDate early = OleDate::FromParts(1899, 12, 29, 18, 0, 0);
    const OleDateSpan span = late - early;
    EXPECT_EQ(span.GetStatus(), Status::Valid);
    EXPECT_EQ(span.GetDays(), 1);
    EXPECT_EQ(span.GetHours(), 12);
    EXPECT_EQ((early - late).GetDays(), -1);
    EXPECT_EQ((early - late).GetHours(), -12);
}

TEST(OleDateArithmetic, StatusPropagatesAndRangeIsChecked) {
    const OleDate date = OleDate::FromParts(1995, 3, 14);
    OleDateSpan nullSpan(1.0);
    nullSpan.SetStatus(Status::Null);
    OleDateSpan invalidSpan(1.0);
    invalidSpan.SetStatus(Status::Invalid);

    EXPECT_EQ((date + nullSpan).GetStatus(), Status::Null);
    EXPECT_EQ((date + invalidSpan).GetStatus(), Status::Invalid);
    EXPECT_EQ((date - invalidSpan).GetStatus(), Status::Invalid);
    EXPECT_EQ((OleDate::Null() + OleDateSpan(1.0)).GetStatus(), Status::Null);
    EXPECT_EQ((OleDate::InvalidDate() + OleDateSpan(1.0)).GetStatus(), Status::Invalid);
    // Null wins over invalid, as in the OLE types.
    EXPECT_EQ((OleDate::InvalidDate() + nullSpan).GetStatus(), Status::Null);
    EXPECT_EQ((date - OleDate::Null()).GetStatus(), Status::Null);
    EXPECT_EQ((date - OleDate::InvalidDate()).GetStatus(), Status::Invalid);

    EXPECT_FALSE((OleDate::FromParts(9999, 12, 31, 12) + OleDateSpan(1.0)).IsValid());
    EXPECT_FALSE((OleDate::FromParts(100, 1, 1) - OleDateSpan(0, 0, 0, 1)).IsValid());
    EXPECT_TRUE((OleDate::FromParts(100, 1, 2) - OleDateSpan(1.0)).IsValid());
    EXPECT_FALSE((date + OleDateSpan(std::numeric_limits<double>::quiet_NaN())).IsValid());
}

TEST(OleDateArithmetic, ComparesInTimeOrder) {
    const OleDate dayMinus1 = OleDate(-1.0);     // 12-29 00:00
    const OleDate dayMinus1Six = OleDate(-1.25); // 12-29 06:00
    const OleDate epoch = OleDate(0.0);
    EXPECT_TRUE(dayMinus1 < dayMinus1Six);
    EXPECT_TRUE(dayMinus1Six > dayMinus1);
    EXPECT_TRUE(dayMinus1Six < epoch);
    EXPECT_TRUE(dayMinus1Six <= dayMinus1Six);
    EXPECT_TRUE(dayMinus1Six >= dayMinus1Six);
    EXPECT_FALSE(dayMinus1Six < dayMinus1Six);
    // -0.25 and 0.25 are the same moment.
    EXPECT_TRUE(OleDate(-0.25) == OleDate(0.25));
    EXPECT_FALSE(OleDate(0.25) == OleDate(0.5));
    EXPECT_TRUE(OleDate::Null() == OleDate::Null());
    EXPECT_FALSE(OleDate::Null() == OleDate(0.0));
    EXPECT_FALSE(OleDate::InvalidDate() < epoch);
    EXPECT_FALSE(epoch < OleDate::InvalidDate());
    EXPECT_FALSE(OleDate::InvalidDate() >= OleDate::InvalidDate());
}

TEST(OleDateLocalTime, UnixTimesFollowTheZone) {
    ob::test::LocalZone zone("America/New_York");
    struct Case {
        std::time_t unix;
        int year, month, day, hour, minute, second;
    };
    const Case cases[] = {
        {0, 1969, 12, 31, 19, 0, 0},          {795184889, 1995, 3, 14, 7, 41, 29}, // EST
        {1710052200, 2024, 3, 10, 1, 30, 0}, // just before the spring change
        {1710054000, 2024, 3, 10, 3, 0, 0},  // EDT from here
        {1720000000, 2024, 7, 3, 5, 46, 40}, // EDT
        {-631152000, 1949, 12, 31, 19, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.unix);
        const OleDate date = OleDate::FromTimeT(c.unix);
        DateParts parts;
        ASSERT_TRUE(date.GetParts(parts));
        EXPECT_EQ(parts.year, c.year);
        EXPECT_EQ(parts.month, c.month);
        EXPECT_EQ(parts.day, c.day);
        EXPECT_EQ(parts.hour, c.hour);
        EXPECT_EQ(parts.minute, c.minute);
        EXPECT_EQ(parts.second, c.second);
        std::time_t back = 0;
        ASSERT_TRUE(date.ToTimeT(back));
        EXPECT_EQ(back, c.unix);
    }
}

TEST(OleDateLocalTime, OneSecondBeforeTheUnixEpochIsNotAFailure) {
    ob::test::LocalZone zone("UTC");
    std::time_t t = 0;
    ASSERT_TRUE(OleDate::FromParts(1969, 12, 31, 23, 59, 59).ToTimeT(t));
    EXPECT_EQ(t, -1);
}

TEST(OleDateLocalTime, NowComesFromTheClock) {
    ob::test::LocalZone zone("Europe/Berlin");
    ob::clock::SetTestClock(
        [] { return std::chrono::system_clock::from_time_t(1720000000); }); // 09:46:40 UTC
    DateParts parts;
    ASSERT_TRUE(OleDate::Now().GetParts(parts));
    ob::clock::SetTestClock(nullptr);
    EXPECT_EQ(parts.year, 2024);
    EXPECT_EQ(parts.month, 7);
    EXPECT_EQ(parts.day, 3);
    EXPECT_EQ(parts.hour, 11); // CEST
    EXPECT_EQ(parts.minute, 46);
    EXPECT_EQ(parts.second, 40);
}

} // namespace
