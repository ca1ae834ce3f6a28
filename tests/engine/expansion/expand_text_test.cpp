#include "engine/expansion/expand_text.h"

#include "expansion_fixture.h"

#include "variables/variable_manager.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>

namespace {

using ob::engine::Expanded;
using ob::engine::ExpandRound;
using ob::engine::ExpandText;

class ExpandTextTest : public ob::test::ExpansionTest {};

struct TokenCase {
    const char* token;
    const char* expected; // at Monday 5 March 2007 08:04:09 UTC, C locale
};

TEST_F(ExpandTextTest, EveryDateToken) {
    const TokenCase cases[] = {
        {"%DAY%", "Mon"},
        {"%a%", "Mon"},
        {"%A%", "Monday"},
        {"%MONTH%", "Mar"},
        {"%b%", "Mar"},
        {"%B%", "March"},
        {"%c%", "Mon Mar  5 08:04:09 2007"},
        {"%d%", "05"},
        {"%H%", "08"},
        {"%I%", "08"},
        {"%j%", "064"},
        {"%m%", "03"},
        {"%M%", "04"},
        {"%p%", "AM"},
        {"%S%", "09"},
        {"%U%", "09"},
        {"%w%", "1"},
        {"%i%", "2"},
        {"%W%", "10"},
        {"%x%", "03/05/07"},
        {"%X%", "08:04:09"},
        {"%y%", "07"},
        {"%Y%", "2007"},
        {"%z%", "+0000"},
        {"%Z%", "UTC"},
        {"%#c%", "Monday, March 5, 2007 08:04:09"},
        {"%#x%", "Monday, March 5, 2007"},
        {"%#d%", "5"},
        {"%#H%", "8"},
        {"%#I%", "8"},
        {"%#j%", "64"},
        {"%#m%", "3"},
        {"%#M%", "4"},
        {"%#S%", "9"},
        {"%#U%", "9"},
        {"%#w%", "1"},
        {"%#W%", "10"},
        {"%#y%", "7"},
        {"%#Y%", "2007"},
    };
    static_assert(std::size(cases) == 39);
    for (const TokenCase& c : cases) {
        EXPECT_EQ(Expanded(std::string("<") + c.token + ">"), std::string("<") + c.expected + ">")
            << c.token;
    }
}

TEST_F(ExpandTextTest, DateTokensUseLocalTime) {
    UseZone("Europe/Berlin");
    SetTime(ob::test::Utc(2007, 7, 1, 22, 30, 0)); // Monday 2 July, 00:30 summer time
    EXPECT_EQ(Expanded("%#c% %z% %Z% %i% %j%"), "Monday, July 2, 2007 00:30:00 +0200 CEST 2 183");
}

TEST_F(ExpandTextTest, WeekdayCountsFromSunday) {
    const struct {
        int day; // of March 2007; the 4th is a Sunday
        const char* expected;
    } cases[] = {{4, "1"}, {5, "2"}, {9, "6"}, {10, "7"}};
    for (const auto& c : cases) {
        SetTime(ob::test::Utc(2007, 3, c.day, 12, 0, 0));
        EXPECT_EQ(Expanded("%i%"), c.expected) << c.day;
    }
}

TEST_F(ExpandTextTest, TokensReferencesAndEscapes) {
    SetVariable("PATH", "/usr/local/bin:/usr/bin");
    const struct {
        const char* text;
        const char* expected;
    } cases[] = {
        {"%Y%-%m%", "2007-03"}, // a token at the very start
        {"%M%:%m%", "04:03"},   // case decides between minute and month
        {"%y% %Y%", "07 2007"},
        {"%Y% and %Y%", "2007 and 2007"}, // one per round, rounds repeat
        {"50% off 20%", "50"},
        {"50% off 20% ", "50 "},
        {"50%% off", "50% off"},
        {"%%Y%%", "%Y%"},
        {"%Y%%%", "2007%"},
        {"%%%", "%%"},
        {"100%", "100%"},
        {"a % b", "a % b"},
        {"x%NO_SUCH_VARIABLE_HERE%y", "xy"},
        {"%day%", ""}, // not a date token: a variable that does not exist
        {"%path%", "/usr/local/bin:/usr/bin"},
        {"[%Path%]", "[/usr/local/bin:/usr/bin]"},
        {"", ""},
        {"no signs", "no signs"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Expanded(c.text), c.expected) << c.text;
    }
}

TEST_F(ExpandTextTest, ExpandTextWorksInPlaceAndReturnsTrue) {
    std::string text = "%Y%";
    EXPECT_TRUE(ExpandText(text));
    EXPECT_EQ(text, "2007");
    text = "plain";
    EXPECT_TRUE(ExpandText(text));
    EXPECT_EQ(text, "plain");
}

TEST_F(ExpandTextTest, RoundReplacesFirstOccurrenceOfEachToken) {
    std::string text = "%Y% %Y% %m%";
    EXPECT_TRUE(ExpandRound(text));
    EXPECT_EQ(text, "2007 %Y% 03");
    text = "no reference";
    EXPECT_FALSE(ExpandRound(text));
    text = "lone % sign";
    EXPECT_FALSE(ExpandRound(text));
}

TEST_F(ExpandTextTest, VariablesWaitForTheDateTokensOfTheirRound) {
    SetVariable("OBX_V", "v");
    std::string text = "%OBX_V% %Y%";
    EXPECT_TRUE(ExpandRound(text));
    EXPECT_EQ(text, "%OBX_V% 2007");
    EXPECT_TRUE(ExpandRound(text));
    EXPECT_EQ(text, "v 2007");
}

TEST_F(ExpandTextTest, ClockIsReadOncePerRound) {
    auto calls = std::make_shared<int>(0);
    const auto start = std::chrono::system_clock::from_time_t(ob::test::Utc(2007, 3, 5, 8, 4, 9));
    ob::clock::SetTestClock([start, calls] { return start + std::chrono::seconds((*calls)++); });
    std::string text = "%S% %#S% %S%";
    EXPECT_TRUE(ExpandRound(text));
    EXPECT_EQ(text, "09 9 %S%");
    EXPECT_TRUE(ExpandRound(text));
    EXPECT_EQ(text, "09 9 10");
}

TEST_F(ExpandTextTest, NestedReferencesResolve) {
    SetVariable("OBX_OUTER", "<%OBX_INNER%|%Y%>");
    SetVariable("OBX_INNER", "in-%obx_deepest%");
    SetVariable("OBX_DEEPEST", "deep");
    EXPECT_EQ(Expanded("%OBX_OUTER%"), "<in-deep|2007>");
    SetVariable("OBX_PERCENT", "50%%");
    // Values are not escaped: their "%%" is an empty reference and disappears.
    EXPECT_EQ(Expanded("%OBX_PERCENT%"), "50");
}

TEST_F(ExpandTextTest, SelfReferenceEndsWithTheReferenceInPlace) {
    SetVariable("OBX_SELF", "%OBX_SELF%");
    EXPECT_EQ(Expanded("a %OBX_SELF% b"), "a %OBX_SELF% b");

    SetVariable("OBX_PING", "%OBX_PONG%");
    SetVariable("OBX_PONG", "%OBX_PING%");
    const std::string pair = Expanded("%OBX_PING%");
    EXPECT_TRUE(pair == "%OBX_PING%" || pair == "%OBX_PONG%") << pair;

    SetVariable("OBX_GROW", "x%OBX_GROW%");
    EXPECT_EQ(Expanded("%OBX_GROW%"),
              std::string(ob::engine::kMaxExpandRounds, 'x') + "%OBX_GROW%");
}

TEST_F(ExpandTextTest, GrowthStopsPastTheSizeLimit) {
    const std::string chunk(300 * 1024, 'y');
    SetVariable("OBX_DOUBLE", chunk + "%OBX_DOUBLE%%OBX_DOUBLE%");
    const std::string result = Expanded("%OBX_DOUBLE%");
    EXPECT_GT(result.size(), ob::engine::kMaxExpandedSize);
    EXPECT_LE(result.size(), ob::engine::kMaxExpandedSize + chunk.size() + 24);
    EXPECT_NE(result.find("%OBX_DOUBLE%"), std::string::npos);

    std::string huge(ob::engine::kMaxExpandedSize + 1, 'z');
    huge += "%Y%";
    EXPECT_EQ(Expanded(huge), huge);
}

TEST_F(ExpandTextTest, FallsBackToThePersistentStore) {
    ASSERT_EQ(ob::vars::MainStore().PutEnv(nullptr, "OBX_STORED", "kept value", 2), 0);
    ASSERT_TRUE(ob::env::Remove("OBX_STORED"));
    ASSERT_FALSE(ob::env::Get("OBX_STORED"));
    EXPECT_EQ(Expanded("[%obx_stored%]"), "[kept value]");
    // Reading the stored value brings it back into the environment.
    EXPECT_EQ(ob::env::Get("OBX_STORED"), "kept value");
    ob::vars::MainStore().PutEnv(nullptr, "OBX_STORED", nullptr, 2);
    ob::env::Remove("OBX_STORED");
}

TEST_F(ExpandTextTest, NameWithNulByteIsNoOtherVariable) {
    SetVariable("OBX_CUT", "wrong");
    EXPECT_EQ(Expanded(std::string("[%OBX_CUT\0tail%]", 16)), "[]");
}

} // namespace
