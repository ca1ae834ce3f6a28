// OB_ASSERT: in builds with assertions a false condition stops the process with
// the condition and its place on standard error; elsewhere it is not evaluated.
#include "platform/diagnostics/assert.h"

#include <gtest/gtest.h>

namespace ob::test {
namespace {

TEST(Assert, FalseConditionAbortsWithItsTextOnlyWhereAssertionsAreOn) {
    int evaluated = 0;
    OB_ASSERT(++evaluated == 1);
#if defined(OB_ASSERTIONS)
    EXPECT_EQ(evaluated, 1);
    EXPECT_DEATH(OB_ASSERT(evaluated == 2),
                 "assert_test.cpp:[0-9]+: assertion failed: evaluated == 2");
#else
    EXPECT_EQ(evaluated, 0) << "a release build does not evaluate the condition";
    GTEST_SKIP() << "assertions are compiled out of this build type (Debug and sanitizer builds "
                    "have them)";
#endif
}

} // namespace
} // namespace ob::test
