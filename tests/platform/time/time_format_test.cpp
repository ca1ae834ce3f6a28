#include "platform/time/ole_date.h"

#include "local_zone.h"
#include "support/scratch.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

using ob::datetime::FormatTime;
using ob::datetime::OleDate;

// These tests run in the C locale (a program starts in it): 24-hour times.
class TimeFormatC : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(std::setlocale(LC_TIME, "C"), nullptr); }
};

TEST_F(TimeFormatC, DefaultForm) {
    const struct {
        OleDate date;
        const char* text;
    } cases[] = {
        {OleDate::FromParts(1995, 3, 14, 12, 41, 29), "3/14/1995 12:41:29"},
        {OleDate::FromParts(1995, 3, 4, 9, 5, 7), "3/4/1995 09:05:07"},
        {OleDate::FromParts(1995, 3, 14), "3/14/1995"},
        {OleDate::FromParts(100, 1, 1), "1/1/100"},
        {OleDate::FromParts(9999, 12, 31, 23, 59, 59), "12/31/9999 23:59:59"},
        {OleDate(0.5), "12:00:00"},
        {OleDate(0.0), "00:00:00"},
        {OleDate(-0.25), "06:00:00"},
        {OleDate(1.0), "12/31/1899"},
        {OleDate(-1.25), "12/29/1899 06:00:00"},
        {OleDate::Null(), ""},
        {OleDate::InvalidDate(), ""},
        {OleDate(2958466.0), ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.date.Format(), c.text) << c.date.Value();
    }
}

TEST_F(TimeFormatC, PatternsWithAndWithoutTheHashFlag) {
    const OleDate date = OleDate::FromParts(1995, 3, 4, 9, 5, 7); // a Saturday
    const struct {
        const char* pattern;
        const char* text;
    } cases[] = {
        {"%#c", "Saturday, March 4, 1995 09:05:07"},
        {"%#x", "Saturday, March 4, 1995"},
        {"%d/%m/%Y %H:%M:%S", "04/03/1995 09:05:07"},
        {"%#d/%#m/%#Y %#H:%#M:%#S", "4/3/1995 9:5:7"},
        {"%j %#j", "063 63"},
        {"%I %#I", "09 9"},
        {"%y %#y", "95 95"},
        {"%w %#w %U %#U %W %#W", "6 6 09 9 09 9"},
        {"%e|%#e", " 4|4"},
        {"%#D", "3/4/95"},
        {"%#F", "1995-3-4"},
        {"%#T", "9:5:7"},
        {"%#R", "9:5"},
        {"%#X", "9:5:7"},
        {"%#r", "9:5:7 AM"},
        // '#' leaves names alone (glibc's own '#' would change their case).
        {"%#A %#a %#B %#b %#p", "Saturday Sat March Mar AM"},
        {"%A %B %p", "Saturday March AM"},
        {"%%#d %%", "%#d %"},
        {"plain text", "plain text"},
        {"", ""},
        {"100%", "100%"},
        {"%-d %_m", "4  3"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(date.Format(c.pattern), c.text) << c.pattern;
    }
}

TEST_F(TimeFormatC, LongFormsOfTheDocumentedExample) {
    const OleDate date = OleDate::FromParts(1995, 3, 14, 12, 41, 29);
    EXPECT_EQ(date.Format("%#c"), "Tuesday, March 14, 1995 12:41:29");
    EXPECT_EQ(date.Format("%#x"), "Tuesday, March 14, 1995");
    EXPECT_EQ(OleDate::FromParts(2005, 1, 1).Format("%#y|%#m|%#H"), "5|1|0");
    EXPECT_EQ(OleDate::FromParts(2000, 1, 10).Format("%#y|%#d"), "0|10");
    EXPECT_EQ(OleDate::FromParts(100, 1, 1).Format("%Y %y"), "100 00");
    EXPECT_EQ(OleDate::InvalidDate().Format("%Y"), "");
}

TEST_F(TimeFormatC, ZoneOfTheMoment) {
    ob::test::LocalZone zone("America/New_York");
    EXPECT_EQ(OleDate::FromParts(2024, 1, 15, 12).Format("%Z %z"), "EST -0500");
    EXPECT_EQ(OleDate::FromParts(2024, 7, 15, 12).Format("%Z %z"), "EDT -0400");
    // A time in the spring gap keeps its fields.
    EXPECT_EQ(OleDate::FromParts(2024, 3, 10, 2, 30).Format("%H:%M"), "02:30");
}

TEST_F(TimeFormatC, FormatTimeOnBrokenDownTime) {
    std::tm tm{};
    tm.tm_year = 2024 - 1900;
    tm.tm_mon = 0;
    tm.tm_mday = 5;
    tm.tm_hour = 7;
    tm.tm_min = 8;
    tm.tm_sec = 9;
    tm.tm_wday = 5;
    tm.tm_yday = 4;
    EXPECT_EQ(FormatTime("%#m/%#d/%Y %H:%M:%S", tm), "1/5/2024 07:08:09");
    EXPECT_EQ(FormatTime("%#c", tm), "Friday, January 5, 2024 07:08:09");
    // An unfinished conversion at the end stays text.
    EXPECT_EQ(FormatTime("at %", tm), "at %");
    EXPECT_EQ(FormatTime("at %#", tm), "at %");
    // Long output is not cut.
    const std::string longPattern(5000, 'x');
    EXPECT_EQ(FormatTime(longPattern + "%Y", tm), longPattern + "2024");
}

TEST_F(TimeFormatC, DefaultFormParsesBack) {
    // Whole seconds spread over the valid range, on both sides of the epoch.
    for (double linear = -657434.0; linear < 2958466.0; linear += 1234.567891) {
        const double day = std::floor(linear);
        const double seconds = std::round((linear - day) * 86400.0);
        const double value = day >= 0 ? day + seconds / 86400.0 : day - seconds / 86400.0;
        const OleDate date(value);
        const OleDate back = OleDate::Parse(date.Format());
        ASSERT_TRUE(back == date) << date.Format();
    }
}

TEST(TimeFormat12Hour, TimeFormatDecidesTheClock) {
    const struct {
        const char* format;
        bool twelve;
    } cases[] = {
        {"%H:%M:%S", false}, {"%T", false},    {"%I:%M:%S %p", true}, {"%r", true},
        {"%l:%M %P", true},  {"%OI:%M", true}, {"%%I %H", false},     {"%-I:%M", true},
        {"", false},         {"%", false},     {"%%p", false},        {"%H %p", true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ob::datetime::TimeFormatIs12Hour(c.format), c.twelve) << c.format;
    }
}

TEST(TimeFormat12Hour, CLocaleIs24Hour) {
    ASSERT_NE(std::setlocale(LC_TIME, "C"), nullptr);
    EXPECT_FALSE(ob::datetime::LocaleUses12Hour());
}

// A locale on a 12-hour clock, compiled from the test data into a scratch
// directory (needs the system's localedef and its character maps).
class TimeFormat12HourLocale : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string source = OB_TEST_DATA_DIR "/twelve_hour.locale";
        ASSERT_TRUE(std::filesystem::exists(source)) << source;
        if (std::system("command -v localedef >/dev/null 2>&1") != 0) {
            GTEST_SKIP() << "no localedef on this system";
        }
        const std::filesystem::path out = scratch_.Path() / "ob12";
        const std::string command =
            "localedef -c -i '" + source + "' '" + out.string() + "' >/dev/null 2>&1";
        (void)std::system(command.c_str());
        // localedef reports the categories the file leaves out but writes the rest; it
        // needs the character maps of the system's locale sources.
        if (!std::filesystem::exists(out / "LC_TIME")) {
            GTEST_SKIP() << "localedef could not build the test locale: " << command;
        }
        ::setenv("LOCPATH", scratch_.Path().c_str(), 1);
        if (std::setlocale(LC_TIME, "ob12") == nullptr) {
            GTEST_SKIP() << "the test locale does not load";
        }
    }
    void TearDown() override {
        std::setlocale(LC_TIME, "C");
        ::unsetenv("LOCPATH");
    }

    ob::test::ScratchDir scratch_;
};

TEST_F(TimeFormat12HourLocale, DefaultFormUsesAmPm) {
    EXPECT_TRUE(ob::datetime::LocaleUses12Hour());
    const struct {
        OleDate date;
        const char* text;
    } cases[] = {
        {OleDate::FromParts(1995, 3, 14, 12, 41, 29), "3/14/1995 12:41:29 PM"},
        {OleDate::FromParts(1995, 3, 14, 1, 5, 9), "3/14/1995 1:05:09 AM"},
        {OleDate::FromParts(1995, 3, 14, 0, 0, 1), "3/14/1995 12:00:01 AM"},
        {OleDate::FromParts(1995, 3, 14, 23, 0, 0), "3/14/1995 11:00:00 PM"},
        {OleDate::FromParts(1995, 3, 14), "3/14/1995"},
        {OleDate(0.0), "12:00:00 AM"},
        {OleDate(0.5), "12:00:00 PM"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.date.Format(), c.text);
    }
    EXPECT_EQ(OleDate::FromParts(1995, 3, 14, 12, 41, 29).Format("%#c"),
              "Tuesday, March 14, 1995 12:41:29 PM");
    EXPECT_EQ(OleDate::FromParts(1995, 3, 14, 13, 5, 9).Format("%#X"), "1:5:9 PM");
}

TEST_F(TimeFormat12HourLocale, DefaultFormParsesBack) {
    for (double value : {34772.0 + 45689.0 / 86400.0, 0.75, 1.0, -1.25}) {
        const OleDate date(value);
        const OleDate back = OleDate::Parse(date.Format());
        EXPECT_TRUE(back == date) << date.Format();
    }
}

} // namespace
