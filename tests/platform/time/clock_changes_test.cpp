// Summer-time changes seen from wall-clock times, in Europe/Berlin (2024: forward
// on 31 March at 02:00, back on 27 October at 03:00), and the strict local-time
// texts of the command line.

#include "local_zone.h"
#include "platform/time/clock_changes.h"
#include "platform/time/local_time_text.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace ob::datetime {
namespace {

OleDate At(const char* text) {
    const auto date = ParseLocalDateTime(text);
    EXPECT_TRUE(date) << text;
    return date.value_or(OleDate::InvalidDate());
}

class ClockChangesTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::filesystem::exists("/usr/share/zoneinfo/Europe/Berlin")) {
            GTEST_SKIP() << "no time zone data for Europe/Berlin (Debian package tzdata)";
        }
    }
    test::LocalZone zone_{"Europe/Berlin"};
};

TEST_F(ClockChangesTest, WallClockTimesAroundBothChanges) {
    struct Case {
        const char* wall;
        bool occurs;
        const char* firstOccurring;
        std::time_t firstInstant;
        const char* zone;
    };
    const std::vector<Case> cases = {
        {"2024-03-31 01:59:59", true, "2024-03-31 01:59:59", 1711846799, "CET"},
        {"2024-03-31 02:00:00", false, "2024-03-31 03:00:00", 1711846800, "CEST"},
        {"2024-03-31 02:30:00", false, "2024-03-31 03:00:00", 1711846800, "CEST"},
        {"2024-03-31 03:00:00", true, "2024-03-31 03:00:00", 1711846800, "CEST"},
        // The repeated hour: the first occurrence is still summer time.
        {"2024-10-27 02:30:00", true, "2024-10-27 02:30:00", 1729989000, "CEST"},
        {"2024-10-27 03:00:00", true, "2024-10-27 03:00:00", 1729994400, "CET"},
        {"2024-02-29 12:00:00", true, "2024-02-29 12:00:00", 1709204400, "CET"},
    };
    for (const Case& c : cases) {
        const OleDate wall = At(c.wall);
        EXPECT_EQ(OccursLocally(wall), c.occurs) << c.wall;
        EXPECT_EQ(FormatLocalDateTime(FirstOccurringAtOrAfter(wall)), c.firstOccurring) << c.wall;
        const auto instant = FirstInstantOf(wall);
        ASSERT_TRUE(instant) << c.wall;
        EXPECT_EQ(*instant, c.firstInstant) << c.wall;
        EXPECT_EQ(ZoneAbbreviation(*instant), c.zone) << c.wall;
    }
}

// Zones whose changes are not an hour: Samoa left out 30 December 2011 whole, and
// Lord Howe Island sets its clock back by half an hour.
TEST(ClockChangesZoneTest, WholeDaysAndHalfHoursAreFound) {
    struct Case {
        const char* zone;
        const char* wall;
        bool occurs;
        std::time_t firstInstant;
    };
    const Case cases[] = {
        {"Pacific/Apia", "2011-12-30 12:00:00", false, 1325239200},
        {"Pacific/Apia", "2011-12-29 23:59:59", true, 1325239199},
        {"Australia/Lord_Howe", "2024-04-07 01:45:00", true, 1712414700},
        {"Australia/Lord_Howe", "2024-04-07 02:00:00", true, 1712417400},
    };
    for (const Case& c : cases) {
        if (!std::filesystem::exists(std::string("/usr/share/zoneinfo/") + c.zone)) {
            GTEST_SKIP() << "no time zone data for " << c.zone << " (Debian package tzdata)";
        }
        test::LocalZone zone(c.zone);
        const OleDate wall = At(c.wall);
        EXPECT_EQ(OccursLocally(wall), c.occurs) << c.zone << " " << c.wall;
        EXPECT_EQ(FirstInstantOf(wall), std::optional<std::time_t>(c.firstInstant))
            << c.zone << " " << c.wall;
    }
}

TEST_F(ClockChangesTest, TheSkippedSpanIsSeenForAMinuteAfterTheChange) {
    const std::time_t change = 1711846800; // 03:00:00 CEST
    for (const long after : {0L, 30L, 59L}) {
        const auto skipped = SkippedShortlyBefore(change + after, 60);
        ASSERT_TRUE(skipped) << after;
        EXPECT_EQ(FormatLocalDateTime(skipped->from), "2024-03-31 02:00:00");
        EXPECT_EQ(FormatLocalDateTime(skipped->to), "2024-03-31 03:00:00");
    }
    EXPECT_FALSE(SkippedShortlyBefore(change + 60, 60));
    EXPECT_FALSE(SkippedShortlyBefore(change - 1, 60));
    EXPECT_FALSE(SkippedShortlyBefore(1729994400, 60)) << "going back skips nothing";
}

TEST(LocalTimeTextTest, ParsesOnlyWellFormedExistingDates) {
    struct Case {
        const char* text;
        const char* parsed; ///< null: refused
    };
    const std::vector<Case> cases = {
        {"2024-03-04 10:20:30", "2024-03-04 10:20:30"},
        {"2024-03-04T10:20:30", "2024-03-04 10:20:30"},
        {"2024-03-04 10:20", "2024-03-04 10:20:00"},
        {"2024-03-04", "2024-03-04 00:00:00"},
        {"2024-02-29 00:00:00", "2024-02-29 00:00:00"},
        {"2023-02-29 00:00:00", nullptr},
        {"2024-02-30", nullptr},
        {"2024-13-01", nullptr},
        {"2024-03-04 24:00:00", nullptr},
        {"2024-03-04 10:60", nullptr},
        {"2024-03-04 10:20:60", nullptr},
        {"0999-01-01", nullptr},
        {"2024-3-4", nullptr},
        {"2024-03-04  10:20", nullptr},
        {"2024-03-04 10:20:30Z", nullptr},
        {"tomorrow", nullptr},
        {"", nullptr},
    };
    for (const Case& c : cases) {
        const auto date = ParseLocalDateTime(c.text);
        if (c.parsed == nullptr) {
            EXPECT_FALSE(date) << c.text;
        } else {
            ASSERT_TRUE(date) << c.text;
            EXPECT_EQ(FormatLocalDateTime(*date), c.parsed);
        }
    }
}

} // namespace
} // namespace ob::datetime
