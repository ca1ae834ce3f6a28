// Compilation: every rejection rule with its message, the program size limit, what
// emitted programs match and the optimisation fields.
#include "common/regex/regex_messages.h"
#include "common/regex/regex_program.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ob::common {
namespace {

struct Rejection {
    std::string pattern;
    const char* message;
};

TEST(RegexCompile, RejectionsAndTheirMessages) {
    const std::vector<Rejection> cases = {
        // repetition of a repetition
        {"a**", kRegexNestedRepeat},
        {"a*?", kRegexNestedRepeat},
        {"a+*", kRegexNestedRepeat},
        {"(ab)?+", kRegexNestedRepeat},
        {"[ab]??", kRegexNestedRepeat},
        // repetition of nothing
        {"*a", kRegexFollowsNothing},
        {"(*)b", kRegexFollowsNothing},
        {"a|*b", kRegexFollowsNothing},
        {"?", kRegexFollowsNothing},
        {"+", kRegexFollowsNothing},
        // * or + over something that can match the empty string
        {"()*", kRegexEmptyOperand},
        {"(a*)*", kRegexEmptyOperand},
        {"(a*)+", kRegexEmptyOperand},
        {"(a|)*", kRegexEmptyOperand},
        {"(a?)+", kRegexEmptyOperand},
        {"^*", kRegexEmptyOperand},
        {"$+", kRegexEmptyOperand},
        {"(^)*", kRegexEmptyOperand},
        {"(ab|)*", kRegexEmptyOperand},
        {"((a*|b))*", kRegexEmptyOperand},
        {"x(y|(z)?)+", kRegexEmptyOperand},
        // parentheses
        {"(abc", kRegexUnmatchedOpen},
        {"((a)", kRegexUnmatchedOpen},
        {"(", kRegexUnmatchedOpen},
        {"abc)", kRegexUnmatchedClose},
        {")(", kRegexUnmatchedClose},
        {"(a))", kRegexUnmatchedClose},
        {"a|b)", kRegexUnmatchedClose},
        // sets
        {"a[", kRegexUnclosedSet},
        {"a[]b", kRegexUnclosedSet},
        {"[^]", kRegexUnclosedSet},
        {"[a-", kRegexUnclosedSet},
        {"[^", kRegexUnclosedSet},
        {"a[b-a]", kRegexBackwardRange},
        {"[z-a]", kRegexBackwardRange},
        {"[]-!]", kRegexBackwardRange},
        {"[a-c-b]", kRegexBackwardRange}, // the second range starts at 'c'
        {"[\xff-\x01]", kRegexBackwardRange},
        // escapes
        {"a\\", kRegexTrailingBackslash},
        {"\\", kRegexTrailingBackslash},
        // groups
        {"((((((((((a))))))))))", kRegexTooManyGroups},
        {"()()()()()()()()()()", kRegexTooManyGroups},
        {"(a)(b)(c)(d)(e)(f)(g)(h)(i)(j)", kRegexTooManyGroups},
        {std::string(100000, '('), kRegexTooManyGroups},
        // bytes
        {std::string("ab\0c", 4), kRegexNulCharacter},
    };
    for (const Rejection& c : cases) {
        SCOPED_TRACE("pattern: " + c.pattern.substr(0, 40));
        RegexCompileResult result = RegexProgram::Compile(c.pattern);
        EXPECT_FALSE(result);
        EXPECT_EQ(result.error, c.message);
        std::string error;
        EXPECT_EQ(CompileRegex(c.pattern, &error), nullptr);
        EXPECT_EQ(error, c.message);
    }
}

TEST(RegexCompile, AcceptsTheBorderlineForms) {
    const std::vector<std::string> accepted = {"",
                                               "()",
                                               "(a|)",
                                               "(a|)?",
                                               "^?",
                                               "$?",
                                               "[a-a]",
                                               "[]a]",
                                               "[^]a]",
                                               "[a-]",
                                               "[-a]",
                                               "[^-]",
                                               "a]",
                                               "a\\(",
                                               "[\\]",
                                               "x{2}",
                                               "a|",
                                               "|a",
                                               "||",
                                               "a^b",
                                               "$b",
                                               "(a)+",
                                               "((a)+)+",
                                               "(a|b)*",
                                               "[]-a]",
                                               "\\*",
                                               "[*+?]*",
                                               "(((((((((a)))))))))",
                                               "(a)(b)(c)(d)(e)(f)(g)(h)(i)"};
    for (const std::string& pattern : accepted) {
        SCOPED_TRACE("pattern: " + pattern);
        RegexCompileResult result = RegexProgram::Compile(pattern);
        EXPECT_TRUE(result) << result.error;
        EXPECT_TRUE(result.error.empty());
    }
}

TEST(RegexCompile, ProgramSizeLimit) {
    // A literal run of n characters takes n + 11 bytes: magic, BRANCH, EXACTLY with
    // its terminator, END. The program must stay below 32767 bytes.
    RegexCompileResult largest = RegexProgram::Compile(std::string(32755, 'x'));
    ASSERT_TRUE(largest) << largest.error;
    EXPECT_EQ(largest.program->Code().size(), 32766u);
    EXPECT_TRUE(largest.program->Execute("y" + std::string(32755, 'x')));
    EXPECT_EQ(largest.program->Start(0), 1);

    RegexCompileResult over = RegexProgram::Compile(std::string(32756, 'x'));
    EXPECT_FALSE(over);
    EXPECT_EQ(over.error, kRegexTooBig);

    // Ranges are stored expanded: 130 full-byte sets overflow a program.
    std::string sets;
    for (int i = 0; i < 130; ++i) {
        sets += "[\x01-\xff]";
    }
    EXPECT_EQ(RegexProgram::Compile(sets).error, kRegexTooBig);
    EXPECT_EQ(RegexProgram::Compile(std::string(1 << 20, 'a')).error, kRegexTooBig);
}

struct Emitted {
    std::string pattern;
    std::string subject;
    std::ptrdiff_t start; ///< of the whole match; kNoPosition: no match
    std::ptrdiff_t end;
    std::ptrdiff_t groupStart = RegexProgram::kNoPosition; ///< of group 1
    std::ptrdiff_t groupEnd = RegexProgram::kNoPosition;
};

// What the emitted programs do: literal runs cut before a repeated character,
// loops over groups, expanded and negated sets, and jumps longer than 255 bytes
// (the offsets are two bytes wide). Each program also runs unchanged from an image
// of its own code, so the code holds everything that matching needs.
TEST(RegexCompile, EmittedProgramsMatchWhatThePatternSays) {
    constexpr std::ptrdiff_t kNo = RegexProgram::kNoPosition;
    const std::string run(300, 'x');
    const std::vector<Emitted> cases = {
        {"abc", "zabcz", 1, 4},
        {"abc", "abd", kNo, kNo},
        {"ab*", "abbbc", 0, 4},
        {"ab*", "ac", 0, 1},
        {"ab*c", "abbc ac", 0, 4},
        {"(a)*b", "aaab", 0, 4, 2, 3},
        {"(a)*", "b", 0, 0},
        {"[^a-c-]", "ab-cd", 4, 5},
        {"[a-c-]+", "x-ab-y", 1, 5},
        {run, "y" + run + "y", 1, 301},
        {run, std::string(299, 'x'), kNo, kNo},
        {"(" + run + ")*y", run + run + "y", 0, 601, 300, 600},
        {"(" + run + "|z)+y", "z" + run + "y", 0, 302, 1, 301},
    };
    for (const Emitted& c : cases) {
        SCOPED_TRACE("pattern of " + std::to_string(c.pattern.size()) +
                     " characters: " + c.pattern.substr(0, 12));
        RegexCompileResult compiled = RegexProgram::Compile(c.pattern);
        ASSERT_TRUE(compiled) << compiled.error;
        const auto code = compiled.program->Code();
        auto image = RegexProgram::FromCode({code.begin(), code.end()});
        ASSERT_NE(image, nullptr);
        for (RegexProgram* program : {compiled.program.get(), image.get()}) {
            EXPECT_EQ(program->Execute(c.subject), c.start != kNo);
            EXPECT_EQ(program->Start(0), c.start);
            EXPECT_EQ(program->End(0), c.end);
            EXPECT_EQ(program->Start(1), c.groupStart);
            EXPECT_EQ(program->End(1), c.groupEnd);
        }
    }
}

struct Optimisation {
    std::string pattern;
    char first;
    bool anchored;
    std::string must;
};

TEST(RegexCompile, OptimisationFields) {
    const std::vector<Optimisation> cases = {
        {"abc", 'a', false, ""},
        {"abc|abd", '\0', false, ""}, // two top-level alternatives: nothing is known
        {"^abc", '\0', true, ""},
        {"^a|b", '\0', false, ""}, // "^" in only one branch
        {"(^a)", '\0', false, ""},
        {"a?bc", '\0', false, "bc"}, // starts with an optional piece
        {".*abc", '\0', false, "abc"},
        {"(.*)c(.*)", '\0', false, "c"},
        {"([abc])*bcd", '\0', false, "bcd"},
        {"a*bc*de", '\0', false, "de"}, // "b" and "de" are required, "de" is longer
        {"x*(abc)d", '\0', false, "d"}, // literals inside groups do not count
        {"x+abc", '\0', false, ""},     // PLUS comes first; '+' cannot start empty: no must-have
        {"ab+c", 'a', false, ""},
        {"[ab]c", '\0', false, ""},
        {"", '\0', false, ""},
    };
    for (const Optimisation& c : cases) {
        SCOPED_TRACE("pattern: " + c.pattern);
        RegexCompileResult result = RegexProgram::Compile(c.pattern);
        ASSERT_TRUE(result) << result.error;
        EXPECT_EQ(result.program->FirstCharacter(), c.first);
        EXPECT_EQ(result.program->Anchored(), c.anchored);
        EXPECT_EQ(result.program->MustHave(), c.must);
    }
}

} // namespace
} // namespace ob::common
