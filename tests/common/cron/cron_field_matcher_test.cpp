#include "common/cron/cron_evaluator.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using ob::common::CronFieldMatcher;

struct FieldCase {
    const char* field;
    std::vector<int> matching; ///< values 0..99 that give 1; every other one gives 0
};

// Every value from 0 to 99 is tried, so a case also proves what does not match.
TEST(CronFieldMatcher, ListsRangesAndMalformedFields) {
    const FieldCase cases[] = {
        {"5", {5}},
        {"05", {5}},
        {"0", {0}},
        {"5,10-12", {5, 10, 11, 12}},
        {"1-3,7", {1, 2, 3, 7}},
        {"3-1", {}},
        {"7,1-3", {1, 2, 3, 7}},
        {"1-3,7-8,20", {1, 2, 3, 7, 8, 20}},
        {"4-4", {4}},
        // Malformed: the items before the fault still match, nothing else does.
        {"5,", {5}},
        {"5,,6", {5}},
        {"1,5;6", {1}},
        {"5;6", {}},
        {"1-3,", {1, 2, 3}},
        {"1-3-5", {1, 2, 3}},
        {"1-3x", {1, 2, 3}},
        {"1-3,x", {1, 2, 3}},
        {"5*", {}},
        {"12-", {}},
        {"12-,3", {}},
        {"-5", {}},
        {",5", {}},
        {"a", {}},
        {"5 ", {}},
        {" 5", {}},
        {"", {}},
        {"5,6 ", {5}},
        {"_", {}}, // presence is the evaluator's business: here it is just no number
    };
    for (const FieldCase& c : cases) {
        for (int value = 0; value < 100; ++value) {
            bool expected = false;
            for (int m : c.matching) {
                expected = expected || m == value;
            }
            EXPECT_EQ(CronFieldMatcher(c.field, value), expected ? 1 : 0)
                << "field \"" << c.field << "\" value " << value;
        }
    }
}

TEST(CronFieldMatcher, WildcardLooksOnlyAtTheFirstCharacter) {
    for (const char* field : {"*", "*/5", "**", "*,junk", "* 5"}) {
        for (int value : {-1, 0, 5, 59, 2024}) {
            EXPECT_EQ(CronFieldMatcher(field, value), 2) << field << " " << value;
        }
    }
}

TEST(CronFieldMatcher, NullFieldAndOutOfDomainValues) {
    EXPECT_EQ(CronFieldMatcher(nullptr, 0), 0);
    EXPECT_EQ(CronFieldMatcher("0-59", -1), 0);
    EXPECT_EQ(CronFieldMatcher("1999-2100", 2024), 1);
    EXPECT_EQ(CronFieldMatcher("2024", 2024), 1);
}

// Digit runs longer than any 32-bit number never wrap round onto a real value.
TEST(CronFieldMatcher, HugeNumbersMatchNothing) {
    EXPECT_EQ(CronFieldMatcher("4294967301", 5), 0);           // 2^32 + 5
    EXPECT_EQ(CronFieldMatcher("18446744073709551621", 5), 0); // 2^64 + 5
    EXPECT_EQ(CronFieldMatcher("99999999999999999999999999", 2147483647), 0);
    EXPECT_EQ(CronFieldMatcher("0-99999999999999999999999999", 2147483647), 1);
    EXPECT_EQ(CronFieldMatcher("4294967296-4294967306", 5), 0);
    EXPECT_EQ(CronFieldMatcher(std::string(5000, '9').c_str(), 9), 0);
}

} // namespace
