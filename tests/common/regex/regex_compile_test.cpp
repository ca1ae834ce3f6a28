// Compilation: every rejection rule with its message, the program size limit, the
// byte layout of emitted programs and the optimisation fields.
#include "common/regex/regex_code.h"
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

std::vector<std::uint8_t> CodeOf(const std::string& pattern) {
    RegexCompileResult result = RegexProgram::Compile(pattern);
    if (!result) {
        ADD_FAILURE() << pattern << ": " << result.error;
        return {};
    }
    const auto code = result.program->Code();
    return {code.begin(), code.end()};
}

TEST(RegexCompile, NodeLayout) {
    using namespace regex_code;
    // magic; BRANCH -> END; EXACTLY "abc" -> END; END
    EXPECT_EQ(CodeOf("abc"), (std::vector<std::uint8_t>{0x9C, BRANCH, 0, 10, EXACTLY, 0, 7, 'a',
                                                        'b', 'c', 0, END, 0, 0}));
    // a literal run cut before the repeated character; STAR holds its operand node
    EXPECT_EQ(CodeOf("ab*"),
              (std::vector<std::uint8_t>{0x9C, BRANCH, 0,       16, EXACTLY, 0,   5, 'a', 0, STAR,
                                         0,    8,      EXACTLY, 0,  0,       'b', 0, END, 0, 0}));
    // a group loop: BRANCH(OPEN1 BRANCH(a) CLOSE1 BACK) or BRANCH(NOTHING), then END;
    // the BACK node at 21 points 17 bytes back to the loop's BRANCH at 4
    EXPECT_EQ(CodeOf("(a)*"),
              (std::vector<std::uint8_t>{
                  0x9C, BRANCH, 0,       29, BRANCH, 0,       20, OPEN + 1,  0,   3, BRANCH,
                  0,    8,      EXACTLY, 0,  5,      'a',     0,  CLOSE + 1, 0,   3, BACK,
                  0,    17,     BRANCH,  0,  3,      NOTHING, 0,  3,         END, 0, 0}));
    // sets are stored with ranges expanded; [^...] is ANYBUT
    EXPECT_EQ(CodeOf("[^a-c-]"), (std::vector<std::uint8_t>{0x9C, BRANCH, 0, 11, ANYBUT, 0, 8, 'a',
                                                            'b', 'c', '-', 0, END, 0, 0}));
    // offsets are 16 bits, high byte first: 3 + 3 + 300 + 1 = 307 = 0x0133
    const std::vector<std::uint8_t> longRun = CodeOf(std::string(300, 'x'));
    ASSERT_GE(longRun.size(), 4u);
    EXPECT_EQ(longRun[2], 0x01);
    EXPECT_EQ(longRun[3], 0x33);
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
