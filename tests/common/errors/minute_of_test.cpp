#include "common/minute_of.h"

#include "platform/env/environment.h"
#include "support/scratch.h"
#include "variables/variable_manager.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

using ob::common::MinuteOf;

class MinuteOfTest : public ::testing::Test {
protected:
    void SetUp() override {
        ob::test::UseScratchStores(scratch_);
        ob::env::Remove("RS.LastError");
    }
    void TearDown() override { ob::env::Remove("RS.LastError"); }

    ob::test::ScratchDir scratch_;
};

TEST_F(MinuteOfTest, MinuteOfConvertibleMoments) {
    const struct {
        double moment;
        int minute;
    } cases[] = {
        {0.5, 0},                          // noon of 1899-12-30
        {34772.0 + 45689.0 / 86400.0, 41}, // 1995-03-14 12:41:29
        {(59 * 60 + 59.6) / 86400.0, 0},   // 00:59:59.6 rounds to 01:00:00
        {(59 * 60 + 59.4) / 86400.0, 59},
        {-1.25 - 17.0 / 1440.0, 17},         // 1899-12-29 06:17
        {2958465.0 + 86399.0 / 86400.0, 59}, // the last second of 9999
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MinuteOf(c.moment), c.minute) << c.moment;
    }
    EXPECT_FALSE(ob::env::Get("RS.LastError").has_value());
}

TEST_F(MinuteOfTest, ZeroSetsTheTimeError) {
    EXPECT_EQ(MinuteOf(0.0), 0);
    EXPECT_EQ(ob::env::Get("RS.LastError").value_or(""), "Parameter error in time function");
    ob::env::Remove("RS.LastError");
    EXPECT_EQ(MinuteOf(-0.0), 0);
    EXPECT_EQ(ob::env::Get("RS.LastError").value_or(""), ob::common::kTimeParameterError);
}

TEST_F(MinuteOfTest, UnconvertibleMoments) {
    for (double moment : {-657435.0, 2958466.0, 1e308, std::numeric_limits<double>::quiet_NaN(),
                          std::numeric_limits<double>::infinity()}) {
        EXPECT_EQ(MinuteOf(moment), -1) << moment;
    }
    EXPECT_FALSE(ob::env::Get("RS.LastError").has_value());
}

} // namespace
