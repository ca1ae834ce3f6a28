// Limits: long subjects, deep nesting, many alternatives and pathological
// backtracking end with an answer or kLimitReached, never with a crash.
#include "common/regex/regex_messages.h"
#include "common/regex/regex_program.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdio>
#include <string>

namespace ob::common {
namespace {

std::unique_ptr<RegexProgram> Compiled(const std::string& pattern) {
    RegexCompileResult result = RegexProgram::Compile(pattern);
    EXPECT_TRUE(result) << pattern << ": " << result.error;
    return std::move(result.program);
}

constexpr const char* kNineNestedLoops = "(((((((((a)+)+)+)+)+)+)+)+)+";

TEST(RegexBounds, LongSubjectWithSimpleRepetitions) {
    const std::string subject = "x" + std::string(4 << 20, 'a') + "b";
    auto program = Compiled("a*b");
    ASSERT_TRUE(program->Execute(subject));
    EXPECT_EQ(program->Start(0), 1);
    EXPECT_EQ(program->End(0), static_cast<std::ptrdiff_t>(subject.size()));
    // the must-have text rejects at once; no quadratic search
    auto absent = Compiled(".*c");
    EXPECT_FALSE(absent->Execute(subject));
    EXPECT_EQ(absent->Status(), RegexStatus::kNoMatch);
}

TEST(RegexBounds, LongSubjectThroughAGroupLoop) {
    std::string subject;
    for (int i = 0; i < 50000; ++i) {
        subject += "ab";
    }
    subject += "c";
    auto program = Compiled("(ab)*c");
    ASSERT_TRUE(program->Execute(subject));
    EXPECT_EQ(program->End(0), 100001);
    EXPECT_EQ(program->Start(1), 99998);
    EXPECT_EQ(program->End(1), 100000);
}

TEST(RegexBounds, SavedStateLimitStopsAHugeLoopCleanly) {
    std::string subject;
    for (int i = 0; i < 400000; ++i) {
        subject += "ab";
    }
    subject += "c";
    auto program = Compiled("(ab)*c");
    EXPECT_FALSE(program->Execute(subject));
    EXPECT_EQ(program->Status(), RegexStatus::kLimitReached);
    EXPECT_EQ(program->Start(0), RegexProgram::kNoPosition);
    EXPECT_EQ(MatchRegex(program.get(), subject), 0);
    // with room for the state the same search succeeds
    EXPECT_TRUE(program->Execute(subject, RegexLimits{50'000'000, 2'000'000}));
    EXPECT_EQ(program->Start(1), 799998);
}

TEST(RegexBounds, NineNestedLoopsOverALongSubject) {
    auto program = Compiled(kNineNestedLoops);
    const std::string subject = std::string(10000, 'a');
    ASSERT_TRUE(program->Execute(subject));
    EXPECT_EQ(program->End(0), 10000);
    // the outer loops take everything in their first iteration; the innermost
    // group reports its last one
    for (int n = 1; n <= 8; ++n) {
        EXPECT_EQ(program->Start(n), 0) << n;
        EXPECT_EQ(program->End(n), 10000) << n;
    }
    EXPECT_EQ(program->Start(9), 9999);

    // a subject far beyond the saved-state limit: stopped, not crashed
    EXPECT_FALSE(program->Execute(std::string(1 << 20, 'a')));
    EXPECT_EQ(program->Status(), RegexStatus::kLimitReached);
}

TEST(RegexBounds, CatastrophicBacktrackingHitsTheStepLimit) {
    // Exponentially many ways to split the run of 'a' before failing at the end.
    const std::string subject = std::string(40, 'a') + "!";
    for (const std::string& pattern :
         {std::string(kNineNestedLoops) + "b", std::string("((a+)+)+b"), std::string("(a|aa)+b"),
          std::string("(.*)*x"), std::string("(a|a)+b")}) {
        SCOPED_TRACE(pattern);
        RegexCompileResult compiled = RegexProgram::Compile(pattern);
        if (!compiled) {
            // "(.*)*x" is rejected outright (its loop could match nothing)
            EXPECT_EQ(compiled.error, kRegexEmptyOperand);
            continue;
        }
        for (const std::size_t steps : {2'000'000u, 1000u}) {
            EXPECT_FALSE(compiled.program->Execute(subject, RegexLimits{steps, 1'000'000}));
            EXPECT_EQ(compiled.program->Status(), RegexStatus::kLimitReached);
        }
    }
    // the same patterns still answer quickly on inputs that match
    auto program = Compiled("((a+)+)+b");
    EXPECT_TRUE(program->Execute(std::string(40, 'a') + "b"));
}

TEST(RegexBounds, ManyAlternatives) {
    // 2000 alternatives of 5 characters: 12 bytes each, under the size limit.
    std::string pattern;
    for (int i = 0; i < 2000; ++i) {
        char word[8];
        std::snprintf(word, sizeof word, "w%04d", i);
        if (i > 0) {
            pattern += '|';
        }
        pattern += word;
    }
    auto program = Compiled(pattern);
    ASSERT_TRUE(program->Execute("xx w1999 yy"));
    EXPECT_EQ(program->Start(0), 3);
    EXPECT_EQ(program->End(0), 8);
    EXPECT_FALSE(program->Execute(std::string(1000, 'w')));
    EXPECT_EQ(program->Status(), RegexStatus::kNoMatch);

    // inside a group and repeated
    auto grouped = Compiled("(" + pattern + ")+z");
    ASSERT_TRUE(grouped->Execute("w0001w1998w0500z"));
    EXPECT_EQ(grouped->Start(1), 10);

    // 3000 of them do not fit in a program
    for (int i = 2000; i < 3000; ++i) {
        pattern += "|w" + std::to_string(i);
    }
    EXPECT_EQ(RegexProgram::Compile(pattern).error, kRegexTooBig);
}

} // namespace
} // namespace ob::common
