// The RegExp pattern matcher: what patterns match (table-driven: greedy and lazy
// repetition, groups, backreferences, lookaheads, anchors, classes, escapes, case
// folding, characters beyond ASCII), the errors malformed patterns raise, and the
// bounds that stop runaway patterns.
#include "vbscript/regexp/regexp_object.h"
#include "vbscript/script_exception.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

namespace {

using ob::vbscript::InvokeKind;
using ob::vbscript::Object;
using ob::vbscript::ScriptException;
using ob::vbscript::Variant;
using ob::vbscript::regexp::CreateRegExp;

enum Flags : unsigned { kNone = 0, kIgnoreCase = 1, kMultiline = 2 };

// The first match as "value@start|group1|group2...", "~" for a group that did not
// take part, "" when nothing matches; found through Execute of a RegExp object.
std::string FirstMatch(const std::string& pattern, unsigned flags, const std::string& text) {
    auto re = CreateRegExp();
    auto put = [&](const char* name, Variant value) {
        std::vector<Variant> args{std::move(value)};
        re->Invoke(name, InvokeKind::PropertyPut, args);
    };
    put("Pattern", Variant::String(pattern));
    put("IgnoreCase", Variant::Boolean((flags & kIgnoreCase) != 0));
    put("Multiline", Variant::Boolean((flags & kMultiline) != 0));
    std::vector<Variant> args{Variant::String(text)};
    const Variant matches = re->Invoke("Execute", InvokeKind::Method, args);
    std::vector<Variant> items;
    matches.ObjectValue()->Enumerate(items);
    if (items.empty()) {
        return "";
    }
    Object& match = *items.front().ObjectValue();
    std::vector<Variant> none;
    std::string out =
        match.Invoke("Value", InvokeKind::PropertyGet, none).StringValue() + "@" +
        std::to_string(match.Invoke("FirstIndex", InvokeKind::PropertyGet, none).ToLong());
    std::vector<Variant> groups;
    match.Invoke("SubMatches", InvokeKind::PropertyGet, none).ObjectValue()->Enumerate(groups);
    for (const Variant& group : groups) {
        out += "|" + (group.IsEmpty() ? std::string("~") : group.StringValue());
    }
    return out;
}

long ErrorOf(const std::string& pattern, const std::string& text = "abc") {
    try {
        FirstMatch(pattern, kNone, text);
    } catch (const ScriptException& e) {
        return e.number;
    }
    return 0;
}

struct MatchCase {
    const char* pattern;
    unsigned flags;
    const char* text;
    const char* expected;
};

void RunCases(const MatchCase* begin, const MatchCase* end) {
    for (const MatchCase* c = begin; c != end; ++c) {
        SCOPED_TRACE(std::string("/") + c->pattern + "/ on \"" + c->text + "\"");
        EXPECT_EQ(FirstMatch(c->pattern, c->flags, c->text), c->expected);
    }
}

TEST(RegExpMatcher, RepetitionGreedyAndLazy) {
    const MatchCase cases[] = {
        {"abc", kNone, "xxabcxx", "abc@2"},
        {"a*", kNone, "baaa", "@0"},
        {"a+", kNone, "baaa", "aaa@1"},
        {"a+?", kNone, "aaa", "a@0"},
        {"a*?b", kNone, "aaab", "aaab@0"},
        {"<.*>", kNone, "<a><b>", "<a><b>@0"},
        {"<.*?>", kNone, "<a><b>", "<a>@0"},
        {"a??b", kNone, "ab", "ab@0"},
        {"a{2}", kNone, "aaaa", "aa@0"},
        {"a{2,3}", kNone, "aaaa", "aaa@0"},
        {"a{2,3}?", kNone, "aaaa", "aa@0"},
        {"a{2,}", kNone, "a aaaaa", "aaaaa@2"},
        {"a{0}b", kNone, "ab", "b@1"},
        {"(?:ab){2}", kNone, "abababab", "abab@0"},
        {"(?:ab){2,}?", kNone, "abababab", "abab@0"},
        {"(?:ab)+", kNone, "ababa", "abab@0"},
        {"(?:a|b)*?c", kNone, "abc", "abc@0"},
        {"(?:a|b){3}", kNone, "ab", ""},
        {"(a){3}", kNone, "aaa", "aaa@0|a"},
        {"a{99999999999}", kNone, "aaa", ""},
        // A brace that is not a quantifier is an ordinary character.
        {"a{,2}", kNone, "a{,2}", "a{,2}@0"},
        {"x{", kNone, "x{", "x{@0"},
        {"x{1", kNone, "x{1", "x{1@0"},
        {"}]", kNone, "}]", "}]@0"},
    };
    RunCases(std::begin(cases), std::end(cases));
}

TEST(RegExpMatcher, GroupsAndBackreferences) {
    const MatchCase cases[] = {
        {"(a)|(b)", kNone, "b", "b@0|~|b"},
        {"(a|ab)(c|bcd)(d*)", kNone, "abcd", "abcd@0|a|bcd|"},
        // Each pass of a loop forgets what its groups took in the pass before.
        {"((a)|b)+", kNone, "ab", "ab@0|b|~"},
        {"(z)((a+)?(b+)?(c))*", kNone, "zaacbbbcac", "zaacbbbcac@0|z|ac|a|~|c"},
        // An optional pass that matches nothing ends the loop.
        {"(a*)*", kNone, "b", "@0|~"},
        {"(a*)+", kNone, "b", "@0|"},
        {"(a|)+b", kNone, "aab", "aab@0|a"},
        {"(.)\\1", kNone, "abccd", "cc@2|c"},
        {"\\1(a)", kNone, "aa", "a@0|a"},
        {"(a)?b\\1", kNone, "b", "b@0|~"},
        {"(a)\\10", kNone, "aa0", "aa0@0|a"},
        {"(a)(b)(c)(d)(e)(f)(g)(h)(i)(j)\\10", kNone, "abcdefghijj",
         "abcdefghijj@0|a|b|c|d|e|f|g|h|i|j"},
        {"\\8", kNone, "8", "8@0"},
        {"(?:x)(y)", kNone, "xy", "xy@0|y"},
        {"a|", kNone, "b", "@0"},
        {"(a+)+b", kNone, "aaab", "aaab@0|aaa"},
        // Nothing a failed start took may show in a later match.
        {"(a)?(b)?c", kNone, "abd ac", "ac@4|a|~"},
        {"(?:(a)|(b))+c|(b)d", kNone, "abx bd", "bd@4|~|~|b"},
        {"(\\w+)\\s(\\w+)", kNone, "John Smith", "John Smith@0|John|Smith"},
    };
    RunCases(std::begin(cases), std::end(cases));
}

TEST(RegExpMatcher, Lookahead) {
    const MatchCase cases[] = {
        {"a(?=b)", kNone, "acab", "a@2"},
        {"a(?!b)", kNone, "abac", "a@2"},
        // The lookahead's captures stay; it does not backtrack into itself.
        {"(?=(a+))a*b\\1", kNone, "baaabac", "aba@3|a"},
        {"(?=(a+))", kNone, "baaabac", "@1|aaa"},
        // A negative lookahead's groups are always unset afterwards.
        {"(.*?)a(?!(a+)b\\2c)\\2(.*)", kNone, "baaabaac", "baaabaac@0|ba|~|abaac"},
        {"(?!a)\\w", kNone, "aab", "b@2"},
        {"(?=a)+a", kNone, "a", "a@0"},
        {"(?:(?=(\\w))\\1)+", kNone, "ab c", "ab@0|b"},
        {"x(?=y(?!z))", kNone, "xyz xyw", "x@4"},
    };
    RunCases(std::begin(cases), std::end(cases));
}

TEST(RegExpMatcher, AnchorsAndMultiline) {
    const MatchCase cases[] = {
        {"^b", kNone, "a\nb", ""},
        {"^b", kMultiline, "a\nb", "b@2"},
        {"a$", kNone, "a\nb", ""},
        {"a$", kMultiline, "a\nb", "a@0"},
        {"^$", kMultiline, "a\n\nb", "@2"},
        {"^$", kNone, "a\n\nb", ""},
        {"^", kNone, "", "@0"},
        {"b$", kNone, "ab", "b@1"},
        {"^a|b", kNone, "cab", "b@2"},
        {"\\bfoo\\b", kNone, "afoo foo", "foo@5"},
        {"\\Boo", kNone, "foo", "oo@1"},
        {"\\b", kNone, "", ""},
        {"\\B", kNone, "", "@0"},
        {".", kNone, "\n\r", "\r@1"},
    };
    RunCases(std::begin(cases), std::end(cases));
}

TEST(RegExpMatcher, ClassesAndEscapes) {
    const MatchCase cases[] = {
        {"[^a-z]", kNone, "abC", "C@2"},
        {"[\\d-z]+", kNone, "x1-z", "1-z@1"},
        {"[\\]]", kNone, "a]", "]@1"},
        {"[a\\-z]+", kNone, "b-az", "-az@1"},
        {"[-a]+", kNone, "b-a", "-a@1"},
        {"[a-]+", kNone, "b-a", "-a@1"},
        {"[]", kNone, "a", ""},
        {"[^]", kNone, "\n", "\n@0"},
        {"[\\b]", kNone, "a\bb", "\b@1"},
        {"[\\s\\d]+", kNone, "a 1\t2b", " 1\t2@1"},
        {"[\\W]", kNone, "ab!", "!@2"},
        {"\\d+\\s\\w+", kNone, "x 12 ab", "12 ab@2"},
        {"\\D\\W\\S", kNone, "1a!b", "a!b@1"},
        {"\\x41\\u0042", kNone, "AB", "AB@0"},
        {"\\x4", kNone, "x4", "x4@0"},
        {"\\u00e9", kNone, "caf\xc3\xa9", "\xc3\xa9@3"},
        {"\\101\\0?", kNone, "A", "A@0"},
        {"\\cJ", kNone, "a\nb", "\n@1"},
        {"\\c1", kNone, "\\c1", "\\c1@0"},
        {"\\t\\v\\f\\r\\n", kNone, "\t\v\f\r\n", "\t\v\f\r\n@0"},
        {"\\.\\*\\q", kNone, "a.*q", ".*q@1"},
        {"[\\x41-\\x43]+", kNone, "ABCD", "ABC@0"},
        {"\\s", kNone, "a\xc2\xa0", "\xc2\xa0@1"},
    };
    RunCases(std::begin(cases), std::end(cases));
}

TEST(RegExpMatcher, CaseAndCharacters) {
    const MatchCase cases[] = {
        {"ABC", kNone, "xabc", ""},
        {"ABC", kIgnoreCase, "xabc", "abc@1"},
        {"[a-c]+", kIgnoreCase, "XBCA", "BCA@1"},
        {"[^a]", kIgnoreCase, "Ab", "b@1"},
        {"(a)\\1", kIgnoreCase, "aA", "aA@0|a"},
        {"(a)\\1", kNone, "aA", ""},
        {"\xc3\xa9", kIgnoreCase, "\xc3\x89", "\xc3\x89@0"},      // é / É
        {"\xc3\xbf", kIgnoreCase, "\xc5\xb8", "\xc5\xb8@0"},      // ÿ / Ÿ
        {"[\xd0\xb0-\xd1\x8f]+", kIgnoreCase, "\xd0\x94\xd0\xb0", // [а-я]+ on "Да"
         "\xd0\x94\xd0\xb0@0"},
        {"\xc3\x97", kIgnoreCase, "\xc3\xb7", ""}, // × is not ÷ in another case
        {"a.c", kNone,
         "a\xe2\x82\xac"
         "c",
         "a\xe2\x82\xac"
         "c@0"},
        {"b", kNone,
         "\xc3\xa9\xc3\xa9"
         "b",
         "b@2"},
        {"\xe2\x82\xac+", kNone, "x\xe2\x82\xac\xe2\x82\xac", "\xe2\x82\xac\xe2\x82\xac@1"},
        // An invalid byte is one character of its own.
        {"a.b", kNone,
         "a\xff"
         "b",
         "a\xff"
         "b@0"},
    };
    RunCases(std::begin(cases), std::end(cases));
}

TEST(RegExpMatcher, MalformedPatternsRaiseTheirErrors) {
    const struct {
        std::string pattern;
        long number;
    } cases[] = {
        {"*a", 5018},
        {"a**", 5018},
        {"a|+b", 5018},
        {"(?:+)", 5018},
        {"^*", 5018},
        {"$+", 5018},
        {"\\b+", 5018},
        {"{2}", 5018},
        {"a{2}{3}", 5018},
        {"[a-", 5019},
        {"[abc", 5019},
        {"[", 5019},
        {"[\\", 5019},
        {"(a", 5020},
        {"((a)", 5020},
        {"(?=a", 5020},
        {"a)", 5017},
        {"(?<a)", 5017},
        {"(?x)", 5017},
        {"a{3,2}", 5017},
        {"a\\", 5017},
        {"[z-a]", 5021},
        {"[\\x5a-\\x41]", 5021},
        {std::string(1001, '(') + std::string(1001, ')'), 5017},
        {std::string(1000, '(') + std::string(1000, ')'), 0},
        {"a{2,2}", 0},
        {"", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pattern.substr(0, 20));
        EXPECT_EQ(ErrorOf(c.pattern), c.number);
    }
}

TEST(RegExpMatcher, RunawayPatternsEndWithTheBudgetError) {
    const struct {
        const char* pattern;
        std::string text;
    } cases[] = {
        {"(a*)*b", std::string(5000, 'a')},
        {"(a|aa)*c", std::string(100, 'a')},
        {"(x+x+)+y", std::string(200, 'x')},
        {"^(\\w+\\s?)*$", std::string(60, 'a') + "!"},
        // Too many saved alternatives: memory is bounded too.
        {"(?:a|b)*$", std::string(3'000'000, 'a') + "!"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pattern);
        const auto started = std::chrono::steady_clock::now();
        EXPECT_EQ(ErrorOf(c.pattern, c.text), 5022);
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(20));
    }
}

TEST(RegExpMatcher, LongTextsNeedNoDeepStack) {
    // Each of these walks a long text inside one loop; none may recurse per character.
    std::string ab;
    for (int i = 0; i < 100'000; ++i) {
        ab += "ab";
    }
    EXPECT_EQ(FirstMatch("(?:a|b)*c", kNone, ab + "c").size(), ab.size() + 3);
    EXPECT_EQ(FirstMatch("(a|b)+$", kNone, ab), ab + "@0|b");
    EXPECT_EQ(FirstMatch(".*", kNone, std::string(1'000'000, 'x')).size(), 1'000'002u);
    EXPECT_EQ(FirstMatch("x", kNone, std::string(2'000'000, 'a') + "x"), "x@2000000");
    // Trying every start of a long text stays within the budget, which grows with it.
    EXPECT_EQ(FirstMatch("[0-9]|y", kNone, std::string(3'000'000, 'a') + "1"), "1@3000000");
    EXPECT_EQ(FirstMatch("(?:ab)*?$", kNone, ab), ab + "@0");
}

} // namespace
