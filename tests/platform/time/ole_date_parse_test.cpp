#include "platform/time/clock.h"
#include "platform/time/ole_date.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

namespace {

using ob::datetime::DateParts;
using ob::datetime::OleDate;

// Partial dates ("March 14", "3/14") take the current year: pin it to 2021.
class OleDateParse : public ::testing::Test {
protected:
    void SetUp() override {
        ob::clock::SetTestClock(
            [] { return std::chrono::system_clock::from_time_t(1623715200); }); // 2021-06-15
    }
    void TearDown() override { ob::clock::SetTestClock(nullptr); }
};

struct ParseCase {
    const char* text;
    int year, month, day, hour, minute, second;
};

TEST_F(OleDateParse, AcceptedForms) {
    const ParseCase cases[] = {
        {"3/14/1995", 1995, 3, 14, 0, 0, 0},
        {"3/14/1995 12:41:29 PM", 1995, 3, 14, 12, 41, 29},
        {"3/14/1995 12:41:29 AM", 1995, 3, 14, 0, 41, 29},
        {"3/14/1995 12:41:29", 1995, 3, 14, 12, 41, 29},
        {"03-14-95 1:05 pm", 1995, 3, 14, 13, 5, 0},
        {"3.14.1995 23:59", 1995, 3, 14, 23, 59, 0},
        {"  3/14/1995  ", 1995, 3, 14, 0, 0, 0},
        {"3/14/1995, 12:41", 1995, 3, 14, 12, 41, 0},
        {"12:41:29 3/14/1995", 1995, 3, 14, 12, 41, 29},
        {"3/14/1995 5 PM", 1995, 3, 14, 17, 0, 0},
        {"3/14/1995 12 AM", 1995, 3, 14, 0, 0, 0},
        {"1995-03-14", 1995, 3, 14, 0, 0, 0},
        {"1995-03-14T12:41:29", 1995, 3, 14, 12, 41, 29},
        {"1995/3/14 23:59:59", 1995, 3, 14, 23, 59, 59},
        {"March 14, 1995", 1995, 3, 14, 0, 0, 0},
        {"Tuesday, March 14, 1995 12:41:29", 1995, 3, 14, 12, 41, 29},
        {"tue, 14 mar 1995 08:00", 1995, 3, 14, 8, 0, 0},
        {"14 Mar 1995", 1995, 3, 14, 0, 0, 0},
        {"14-mar-95", 1995, 3, 14, 0, 0, 0},
        {"MAR 14 1995", 1995, 3, 14, 0, 0, 0},
        {"1995 March 14", 1995, 3, 14, 0, 0, 0},
        {"Sept 1, 2001", 2001, 9, 1, 0, 0, 0},
        {"March 1995", 1995, 3, 1, 0, 0, 0},
        {"3/1995", 1995, 3, 1, 0, 0, 0},
        {"1995-03", 1995, 3, 1, 0, 0, 0},
        {"March 14", 2021, 3, 14, 0, 0, 0},
        {"3/14", 2021, 3, 14, 0, 0, 0},
        {"3/14 10:00", 2021, 3, 14, 10, 0, 0},
        // Not a month/day/year date: read as day/month/year.
        {"14/3/1995", 1995, 3, 14, 0, 0, 0},
        {"31.12.1999", 1999, 12, 31, 0, 0, 0},
        {"14/3", 2021, 3, 14, 0, 0, 0},
        // Two-digit years.
        {"1/2/0", 2000, 1, 2, 0, 0, 0},
        {"1/2/00", 2000, 1, 2, 0, 0, 0},
        {"1/2/29", 2029, 1, 2, 0, 0, 0},
        {"1/2/30", 1930, 1, 2, 0, 0, 0},
        {"1/2/99", 1999, 1, 2, 0, 0, 0},
        // Limits.
        {"1/1/100", 100, 1, 1, 0, 0, 0},
        {"12/31/9999 23:59:59", 9999, 12, 31, 23, 59, 59},
        {"2/29/2000", 2000, 2, 29, 0, 0, 0},
        {"12/30/1899", 1899, 12, 30, 0, 0, 0},
        {"12/29/1899 6:00", 1899, 12, 29, 6, 0, 0},
    };
    for (const ParseCase& c : cases) {
        SCOPED_TRACE(c.text);
        const OleDate date = OleDate::Parse(c.text);
        ASSERT_TRUE(date.IsValid());
        DateParts parts;
        ASSERT_TRUE(date.GetParts(parts));
        EXPECT_EQ(parts.year, c.year);
        EXPECT_EQ(parts.month, c.month);
        EXPECT_EQ(parts.day, c.day);
        EXPECT_EQ(parts.hour, c.hour);
        EXPECT_EQ(parts.minute, c.minute);
        EXPECT_EQ(parts.second, c.second);
    }
}

TEST_F(OleDateParse, TimeAloneIsDayZero) {
    const struct {
        const char* text;
        double value;
    } cases[] = {
        {"12:41", (12 * 60 + 41) / 1440.0},
        {"12:41:29 PM", (12 * 3600 + 41 * 60 + 29) / 86400.0},
        {"5 PM", 17 / 24.0},
        {"12 AM", 0.0},
        {"00:00:00", 0.0},
        {"23:59:59", 86399 / 86400.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const OleDate date = OleDate::Parse(c.text);
        ASSERT_TRUE(date.IsValid());
        EXPECT_NEAR(date.Value(), c.value, 1e-9);
    }
}

TEST_F(OleDateParse, RejectedText) {
    const char* cases[] = {
        "",
        "   ",
        "hello",
        "5",
        "1995",
        "3/14/1995 25:00",
        "3/14/1995 12:60",
        "3/14/1995 12:00:60",
        "13:00 PM",
        "0:30 PM",
        "3/14/1995 123:00",
        "2/29/1900",
        "2/30/2000",
        "13/13/1995",
        "1995-13-01",
        "3/14/1995 12:41 13:00",
        "3//14/1995",
        "/3/14/1995",
        "3/14/1995/",
        "3/14/1995 ,",
        "-12:00",
        "1/1/0099",
        "1/1/99999",
        "12/31/10000",
        "3/14/1995 12:41:29.5",
        "3/14/1995 12::41",
        "March April 1995",
        "March 14 1995 3",
        "Tuesday",
        "Tuesday 12:00",
        "Tuesday Monday 3/14/1995",
        "Marchy 14 1995",
        "Mar 14 1995 PM",
        "3/14/1995 PM",
        "3/14 12:00 1995",
        "12345678901/1/1",
        "3/14/1995 \xc3\xa9",
        "3/14/1995\t;",
        "1/2/3/4",
    };
    for (const char* text : cases) {
        EXPECT_EQ(OleDate::Parse(text).GetStatus(), ob::datetime::Status::Invalid) << text;
    }
}

TEST_F(OleDateParse, OverlongTextIsRefused) {
    std::string text(300, ' ');
    text += "3/14/1995";
    EXPECT_FALSE(OleDate::Parse(text).IsValid());
    EXPECT_TRUE(OleDate::Parse(text.substr(300)).IsValid());
}

} // namespace
