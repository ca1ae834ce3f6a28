#include "platform/time/ole_date.h"

#include <gtest/gtest.h>

#include <climits>
#include <limits>

namespace {

using ob::datetime::OleDateSpan;

struct SpanCase {
    OleDateSpan span;
    long total;
    long days;
    int hours, minutes, seconds;
};

TEST(OleDateSpan, ComponentsAreRoundedToWholeSeconds) {
    const SpanCase cases[] = {
        {OleDateSpan(1, 2, 3, 4), 93784, 1, 2, 3, 4},
        {OleDateSpan(-1, -2, -3, -4), -93784, -1, -2, -3, -4},
        {OleDateSpan(0, 25, 0, 0), 90000, 1, 1, 0, 0},
        {OleDateSpan(0, 0, 90, 0), 5400, 0, 1, 30, 0},
        {OleDateSpan(0, 0, 0, -1), -1, 0, 0, 0, -1},
        {OleDateSpan(1, -1, 0, 0), 82800, 0, 23, 0, 0},
        {OleDateSpan(0.5), 43200, 0, 12, 0, 0},
        {OleDateSpan(1.0 - 0.4 / 86400.0), 86400, 1, 0, 0, 0}, // rounds up to a day
        {OleDateSpan(-0.6 / 86400.0), -1, 0, 0, 0, -1},
        {OleDateSpan(0.4 / 86400.0), 0, 0, 0, 0, 0},
        {OleDateSpan(36500.0), 3153600000L, 36500, 0, 0, 0}, // beyond 32-bit seconds
        {OleDateSpan(std::numeric_limits<double>::quiet_NaN()), 0, 0, 0, 0, 0},
        {OleDateSpan(1e300), LONG_MAX, LONG_MAX / 86400, static_cast<int>(LONG_MAX % 86400 / 3600),
         static_cast<int>(LONG_MAX % 3600 / 60), static_cast<int>(LONG_MAX % 60)},
    };
    for (const SpanCase& c : cases) {
        SCOPED_TRACE(c.span.Days());
        EXPECT_EQ(c.span.TotalSeconds(), c.total);
        EXPECT_EQ(c.span.GetDays(), c.days);
        EXPECT_EQ(c.span.GetHours(), c.hours);
        EXPECT_EQ(c.span.GetMinutes(), c.minutes);
        EXPECT_EQ(c.span.GetSeconds(), c.seconds);
    }
}

TEST(OleDateSpan, PartsAddUpToDays) {
    EXPECT_DOUBLE_EQ(OleDateSpan(2, 12, 0, 0).Days(), 2.5);
    EXPECT_DOUBLE_EQ(OleDateSpan(0, 0, 0, 86400).Days(), 1.0);
    EXPECT_DOUBLE_EQ(OleDateSpan(0, 0, 1440, 0).Days(), 1.0);
    EXPECT_EQ(OleDateSpan().GetStatus(), ob::datetime::Status::Valid);
}

} // namespace
