// Matching: positions of the match and its groups, the behaviours the callers rely
// on, the entry points under their system names and damaged programs.
#include "common/regex/regex_code.h"
#include "common/regex/regex_program.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace ob::common {
namespace {

using Span = std::pair<std::ptrdiff_t, std::ptrdiff_t>;
constexpr Span kNone{RegexProgram::kNoPosition, RegexProgram::kNoPosition};

struct MatchCase {
    std::string pattern;
    std::string subject;
    std::vector<Span> slots; // slot 0, 1, ...; empty = no match
};

void ExpectMatch(const MatchCase& c) {
    SCOPED_TRACE("pattern \"" + c.pattern + "\" on \"" + c.subject + "\"");
    RegexCompileResult compiled = RegexProgram::Compile(c.pattern);
    ASSERT_TRUE(compiled) << compiled.error;
    RegexProgram& program = *compiled.program;
    const bool matched = program.Execute(c.subject);
    EXPECT_EQ(matched, !c.slots.empty());
    EXPECT_EQ(program.Status(), c.slots.empty() ? RegexStatus::kNoMatch : RegexStatus::kMatch);
    for (int n = 0; n < RegexProgram::kGroupSlots; ++n) {
        const Span expected = n < static_cast<int>(c.slots.size()) ? c.slots[n] : kNone;
        EXPECT_EQ(Span(program.Start(n), program.End(n)), expected) << "slot " << n;
    }
}

TEST(RegexMatch, BasicPromises) {
    const std::vector<MatchCase> cases = {
        {".*", "", {{0, 0}}},
        {".*", "abc", {{0, 3}}},
        {".*", "\n\t", {{0, 2}}},
        {"[]a]", "]", {{0, 1}}},
        {"[]a]", "xa", {{1, 2}}},
        {"[]a]", "b", {}},
        {"[a-]", "a", {{0, 1}}},
        {"[a-]", "-", {{0, 1}}},
        {"[a-]", "b", {}},
        {"(a|ab)(c|bcd)", "abcd", {{0, 4}, {0, 1}, {1, 4}}},
        {"abc$", "abcd", {}},
        {"^abc", "xabc", {}},
        {"(((((((((a)))))))))",
         "xa",
         {{1, 2}, {1, 2}, {1, 2}, {1, 2}, {1, 2}, {1, 2}, {1, 2}, {1, 2}, {1, 2}, {1, 2}}},
    };
    for (const MatchCase& c : cases) {
        ExpectMatch(c);
    }
}

TEST(RegexMatch, PositionsAndGroups) {
    const std::vector<MatchCase> cases = {
        // leftmost match, greedy repetition
        {"b+", "abbbc", {{1, 4}}},
        {"a*ab", "aaab", {{0, 4}}},
        {"x*", "abc", {{0, 0}}}, // the empty match at the first position wins
        {"", "abc", {{0, 0}}},
        {"$", "abc", {{3, 3}}},
        // the first alternative that lets the rest match wins, not the longest
        {"ab|abcd", "abcd", {{0, 2}}},
        {"(a|ab)c", "abc", {{0, 3}, {0, 2}}},
        // a loop reports its last iteration; a group that did not take part has none
        {"(a|b)*", "abba", {{0, 4}, {3, 4}}},
        {"(a)|b", "b", {{0, 1}, kNone}},
        {"(x)?y", "y", {{0, 1}, kNone}},
        {"((a)|b)+", "ab", {{0, 2}, {1, 2}, {0, 1}}},
        {"(a(b)?)+", "aba", {{0, 3}, {2, 3}, {1, 2}}},
        // ^ and $ wherever they appear
        {"a^b", "a^b", {}},
        {"x|^a", "ba", {}},
        {"x|^a", "ab", {{0, 1}}},
        {"a$|b", "ba", {{0, 1}}},
        {"(^|x)a", "xa", {{0, 2}, {0, 1}}},
        // literal characters
        {"a\\.b", "axb", {}},
        {"a\\.b", "xa.b", {{1, 4}}},
        {"[\\]", "a\\", {{1, 2}}}, // a backslash in a set is itself
        {"\\(\\)", "()", {{0, 2}}},
        {"a]", "a]", {{0, 2}}},
        {"x{2}", "xx x{2}", {{3, 7}}},
        {"abc", "ABC", {}}, // case-sensitive
        // sets and ranges by byte value
        {"[a-c]+", "xxbcad", {{2, 5}}},
        {"[^a-c]", "abcd", {{3, 4}}},
        {"[^a]", "a", {}}, // a set never matches the end of the subject
        {"[\x80-\xff]+", "ab\xc3\xa9z", {{2, 4}}},
        {"\xc3\xa9", "caf\xc3\xa9", {{3, 5}}},
        // the wildcard translation the FTP client uses
        {"^.*\\.txt$", "notes.txt", {{0, 9}}},
        {"^.*\\.txt$", "notestxt", {}},
        {"^a.c$", "abc", {{0, 3}}},
    };
    for (const MatchCase& c : cases) {
        ExpectMatch(c);
    }
}

TEST(RegexMatch, NulBytesInTheSubjectAreOrdinaryCharacters) {
    const std::vector<MatchCase> cases = {
        {"a.c", std::string("a\0c", 3), {{0, 3}}}, {"c", std::string("a\0c", 3), {{2, 3}}},
        {"c$", std::string("a\0c", 3), {{2, 3}}},  {"a$", std::string("a\0c", 3), {}},
        {"[^b]", std::string("\0", 1), {{0, 1}}},  {"[ab]", std::string("\0", 1), {}},
    };
    for (const MatchCase& c : cases) {
        ExpectMatch(c);
    }
}

TEST(RegexMatch, ProgramIsReusableAndPositionsFollowTheLastSearch) {
    RegexCompileResult compiled = RegexProgram::Compile("(b+)c");
    ASSERT_TRUE(compiled);
    RegexProgram& program = *compiled.program;
    EXPECT_EQ(program.Status(), RegexStatus::kNoMatch);
    EXPECT_EQ(program.Start(0), RegexProgram::kNoPosition);

    ASSERT_TRUE(program.Execute("abbc"));
    EXPECT_EQ(program.Start(1), 1);
    EXPECT_EQ(program.End(1), 3);
    EXPECT_FALSE(program.Execute("abbd"));
    EXPECT_EQ(program.Start(0), RegexProgram::kNoPosition);
    EXPECT_EQ(program.Start(1), RegexProgram::kNoPosition);
    ASSERT_TRUE(program.Execute("bc"));
    EXPECT_EQ(program.Start(1), 0);
    EXPECT_EQ(program.End(1), 1);
    // slots outside 0..9
    EXPECT_EQ(program.Start(-1), RegexProgram::kNoPosition);
    EXPECT_EQ(program.End(10), RegexProgram::kNoPosition);
}

TEST(RegexMatch, EntryPointsUnderTheirSystemNames) {
    std::string error = "stale";
    std::unique_ptr<RegexProgram> program = CompileRegex("^job[0-9]+$", &error);
    ASSERT_NE(program, nullptr);
    EXPECT_TRUE(error.empty());
    EXPECT_EQ(MatchRegex(program.get(), "job42"), 1);
    EXPECT_EQ(MatchRegex(program.get(), "job4x"), 0);
    EXPECT_EQ(MatchRegex(nullptr, "job42"), 0);
    FreeRegex(program);
    EXPECT_EQ(program, nullptr);
    EXPECT_EQ(CompileRegex("a**"), nullptr);
}

TEST(RegexMatch, ImageFromCodeRunsLikeTheCompiledProgram) {
    RegexCompileResult compiled = RegexProgram::Compile("a(b|c)d");
    ASSERT_TRUE(compiled);
    const auto code = compiled.program->Code();
    auto copy = RegexProgram::FromCode({code.begin(), code.end()});
    ASSERT_NE(copy, nullptr);
    ASSERT_TRUE(copy->Execute("xacd"));
    EXPECT_EQ(copy->Start(0), 1);
    EXPECT_EQ(copy->Start(1), 2);
}

TEST(RegexMatch, DamagedProgramsEndWithoutAMatch) {
    using namespace regex_code;
    struct Damaged {
        const char* what;
        std::vector<std::uint8_t> code;
        RegexStatus status;
    };
    const std::vector<Damaged> cases = {
        {"empty image", {}, RegexStatus::kDamaged},
        {"wrong magic byte", {0x9D, BRANCH, 0, 3, END, 0, 0}, RegexStatus::kDamaged},
        {"magic byte only", {0x9C}, RegexStatus::kDamaged},
        {"truncated node", {0x9C, NOTHING, 0}, RegexStatus::kDamaged},
        {"next node beyond the end", {0x9C, NOTHING, 0x7F, 0xFF}, RegexStatus::kDamaged},
        {"no next node", {0x9C, NOTHING, 0, 0}, RegexStatus::kDamaged},
        {"BACK before the start", {0x9C, BACK, 0, 9}, RegexStatus::kDamaged},
        {"unterminated literal", {0x9C, EXACTLY, 0, 0, 'a', 'b'}, RegexStatus::kDamaged},
        {"empty literal", {0x9C, EXACTLY, 0, 4, 0, END, 0, 0}, RegexStatus::kDamaged},
        {"unterminated set", {0x9C, ANYOF, 0, 0, 'a'}, RegexStatus::kDamaged},
        {"unknown opcode", {0x9C, 12, 0, 3, END, 0, 0}, RegexStatus::kDamaged},
        {"group 0 open", {0x9C, OPEN, 0, 3, END, 0, 0}, RegexStatus::kDamaged},
        {"group 0 close", {0x9C, CLOSE, 0, 3, END, 0, 0}, RegexStatus::kDamaged},
        {"STAR over a group", {0x9C, STAR, 0, 6, OPEN + 1, 0, 0, END, 0, 0}, RegexStatus::kDamaged},
        {"STAR with no operand", {0x9C, STAR, 0, 3, END, 0, 0}, RegexStatus::kDamaged},
        {"STAR with no next node", {0x9C, STAR, 0, 0, ANY, 0, 0}, RegexStatus::kDamaged},
        // NOTHING -> BACK -> NOTHING ...: a loop that consumes nothing runs into the
        // step limit instead of running forever
        {"endless loop", {0x9C, NOTHING, 0, 3, BACK, 0, 3}, RegexStatus::kLimitReached},
    };
    for (const Damaged& c : cases) {
        SCOPED_TRACE(c.what);
        auto program = RegexProgram::FromCode(c.code);
        ASSERT_NE(program, nullptr);
        EXPECT_FALSE(program->Execute("abc", RegexLimits{100000, 1000}));
        EXPECT_EQ(program->Status(), c.status);
        EXPECT_EQ(program->Start(0), RegexProgram::kNoPosition);
        EXPECT_EQ(MatchRegex(program.get(), "abc"), 0);
    }
}

} // namespace
} // namespace ob::common
