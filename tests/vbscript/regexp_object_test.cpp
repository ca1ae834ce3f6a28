// The RegExp object as scripts call it through its dispatch interface: Replace
// with its $ forms, Execute and the Matches / Match / SubMatches objects, the
// properties, and pattern errors raised when the pattern is used.
#include "vbscript/regexp/regexp_object.h"
#include "vbscript/script_exception.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

using ob::vbscript::InvokeKind;
using ob::vbscript::Object;
using ob::vbscript::ScriptException;
using ob::vbscript::Variant;

Variant Call(Object& object, const char* name, std::vector<Variant> args = {},
             InvokeKind kind = InvokeKind::Method) {
    return object.Invoke(name, kind, args);
}

void Put(Object& object, const char* name, Variant value) {
    Call(object, name, {std::move(value)}, InvokeKind::PropertyPut);
}

std::shared_ptr<Object> MakeRegExp(const std::string& pattern, bool global = false,
                                   bool ignoreCase = false) {
    auto re = ob::vbscript::regexp::CreateRegExp();
    Put(*re, "Pattern", Variant::String(pattern));
    Put(*re, "Global", Variant::Boolean(global));
    Put(*re, "IgnoreCase", Variant::Boolean(ignoreCase));
    return re;
}

long ErrorNumber(const std::function<void()>& action) {
    try {
        action();
    } catch (const ScriptException& e) {
        return e.number;
    }
    return 0;
}

TEST(RegExpObject, Replace) {
    const struct {
        const char* pattern;
        bool global;
        const char* text;
        const char* replacement;
        const char* expected;
    } cases[] = {
        {"a", false, "banana", "o", "bonana"},
        {"a", true, "banana", "o", "bonono"},
        {"(\\w+)\\s(\\w+)", false, "John Smith", "$2, $1", "Smith, John"},
        {"b", false, "abc", "[$$]", "a[$]c"},
        {"b", false, "abc", "[$&$&]", "a[bb]c"},
        {"b", false, "abc", "[$`|$']", "a[a|c]c"},
        {"(b)", false, "abc", "[$2$0$]", "a[$2$0$]c"},
        {"(b)", false, "abc", "[$10]", "a[b0]c"},
        {"(a)|b", false, "b", "[$1]", "[]"},
        {"(a)(b)(c)(d)(e)(f)(g)(h)(i)(j)(k)", false, "abcdefghijk", "$11$10$1", "kja"},
        {"x*", true, "abc", "-", "-a-b-c-"},
        {"a*", true, "baaa", "-", "-b--"},
        {"\xc3\xa9", true,
         "a\xc3\xa9"
         "b\xc3\xa9",
         "[$&]", "a[\xc3\xa9]b[\xc3\xa9]"},
        {"z", true, "abc", "-", "abc"},
        {"^", true, "ab", ">", ">ab"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.pattern) + " / " + c.replacement);
        auto re = MakeRegExp(c.pattern, c.global);
        EXPECT_EQ(Call(*re, "Replace", {Variant::String(c.text), Variant::String(c.replacement)})
                      .StringValue(),
                  c.expected);
    }
}

TEST(RegExpObject, ExecuteGivesMatchesWithCharacterPositions) {
    auto re = MakeRegExp("(\\d)(x)?\\d*", true);
    // "é" is one character: positions count characters, not bytes.
    Variant matches = Call(*re, "Execute",
                           {Variant::String("\xc3\xa9"
                                            "12 a3x4 5")});
    auto& list = *matches.ObjectValue();
    EXPECT_EQ(list.TypeName(), "IMatchCollection2");
    ASSERT_EQ(Call(list, "Count", {}, InvokeKind::PropertyGet).ToLong(), 3);
    const struct {
        const char* value;
        int firstIndex;
        const char* group1;
        const char* group2; // nullptr: Empty
    } expected[] = {{"12", 1, "1", nullptr}, {"3x4", 5, "3", "x"}, {"5", 9, "5", nullptr}};
    std::vector<Variant> items;
    ASSERT_TRUE(list.Enumerate(items));
    ASSERT_EQ(items.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        Variant match = Call(list, "", {Variant::Long(i)});
        EXPECT_EQ(match.ObjectValue(), items[i].ObjectValue());
        auto& m = *match.ObjectValue();
        EXPECT_EQ(m.TypeName(), "IMatch2");
        EXPECT_EQ(Call(m, "").StringValue(), expected[i].value);
        EXPECT_EQ(Call(m, "Value").StringValue(), expected[i].value);
        EXPECT_EQ(Call(m, "FirstIndex").ToLong(), expected[i].firstIndex);
        EXPECT_EQ(Call(m, "Length").ToLong(),
                  static_cast<int>(std::string(expected[i].value).size()));
        Variant subs = Call(m, "SubMatches");
        EXPECT_EQ(subs.ObjectValue()->TypeName(), "ISubMatches");
        EXPECT_EQ(Call(*subs.ObjectValue(), "Count").ToLong(), 2);
        EXPECT_EQ(Call(m, "SubMatches", {Variant::Long(0)}).StringValue(), expected[i].group1);
        Variant second = Call(*subs.ObjectValue(), "Item", {Variant::Long(1)});
        if (expected[i].group2) {
            EXPECT_EQ(second.StringValue(), expected[i].group2);
        } else {
            EXPECT_TRUE(second.IsEmpty());
        }
    }
    EXPECT_EQ(ErrorNumber([&] { Call(list, "Item", {Variant::Long(3)}); }), 5);
    EXPECT_EQ(ErrorNumber([&] { Call(list, "Item", {Variant::Long(-1)}); }), 5);
    EXPECT_EQ(ErrorNumber([&] { Put(list, "Count", Variant::Long(1)); }), 438);
}

TEST(RegExpObject, GlobalEmptyMatchesMoveOnByOneCharacter) {
    const struct {
        const char* pattern;
        bool global;
        const char* text;
        std::vector<std::pair<int, std::string>> matches;
    } cases[] = {
        {"a*", true, "baaa", {{0, ""}, {1, "aaa"}, {4, ""}}},
        {"a*", false, "baaa", {{0, ""}}},
        {"x*", true, "\xc3\xa9\xc3\xa9", {{0, ""}, {1, ""}, {2, ""}}},
        {"\\b", true, "ab cd", {{0, ""}, {2, ""}, {3, ""}, {5, ""}}},
        {"a|", true, "ab", {{0, "a"}, {1, ""}, {2, ""}}},
        {"q", true, "", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pattern);
        auto re = MakeRegExp(c.pattern, c.global);
        Variant matches = Call(*re, "Execute", {Variant::String(c.text)});
        std::vector<Variant> items;
        ASSERT_TRUE(matches.ObjectValue()->Enumerate(items));
        std::vector<std::pair<int, std::string>> got;
        for (auto& item : items) {
            got.emplace_back(Call(*item.ObjectValue(), "FirstIndex").ToLong(),
                             Call(*item.ObjectValue(), "Value").StringValue());
        }
        EXPECT_EQ(got, c.matches);
    }
}

TEST(RegExpObject, ReplaceRefusesResultsBeyondTheStringLimit) {
    // Every empty match replaced by the text before it: about 200 million characters.
    auto re = MakeRegExp("x*", true);
    EXPECT_EQ(ErrorNumber([&] {
                  Call(*re, "Replace",
                       {Variant::String(std::string(20'000, 'a')), Variant::String("$`")});
              }),
              7);
    EXPECT_EQ(Call(*re, "Replace", {Variant::String("abc"), Variant::String("$`")}).StringValue(),
              "aababcabc");
}

TEST(RegExpObject, PropertiesAndTest) {
    auto re = ob::vbscript::regexp::CreateRegExp();
    EXPECT_EQ(re->TypeName(), "IRegExp2");
    for (const char* flag : {"Global", "IgnoreCase", "Multiline"}) {
        SCOPED_TRACE(flag);
        EXPECT_EQ(Call(*re, flag, {}, InvokeKind::PropertyGet).Type(),
                  ob::vbscript::VarType::Boolean);
        EXPECT_FALSE(Call(*re, flag, {}, InvokeKind::PropertyGet).ToBool());
    }
    EXPECT_EQ(Call(*re, "Pattern", {}, InvokeKind::PropertyGet).StringValue(), "");
    Put(*re, "Pattern", Variant::String("^B"));
    EXPECT_FALSE(Call(*re, "Test", {Variant::String("a\nb")}).ToBool());
    // Each property change takes effect at the next use.
    Put(*re, "IgnoreCase", Variant::Boolean(true));
    EXPECT_FALSE(Call(*re, "Test", {Variant::String("a\nb")}).ToBool());
    Put(*re, "Multiline", Variant::Long(1));
    EXPECT_TRUE(Call(*re, "Test", {Variant::String("a\nb")}).ToBool());
    EXPECT_TRUE(Call(*re, "multiline", {}, InvokeKind::PropertyGet).ToBool());
    Put(*re, "Pattern", Variant::String("^c"));
    EXPECT_FALSE(Call(*re, "Test", {Variant::String("a\nb")}).ToBool());
    // An empty pattern matches everywhere.
    Put(*re, "Pattern", Variant::String(""));
    EXPECT_TRUE(Call(*re, "Test", {Variant::String("")}).ToBool());
}

TEST(RegExpObject, ErrorsComeWhenThePatternIsUsed) {
    auto re = ob::vbscript::regexp::CreateRegExp();
    Put(*re, "Pattern", Variant::String("[a-")); // no error yet
    EXPECT_EQ(ErrorNumber([&] { Call(*re, "Test", {Variant::String("a")}); }), 5019);
    EXPECT_EQ(ErrorNumber([&] { Call(*re, "Execute", {Variant::String("a")}); }), 5019);
    EXPECT_EQ(ErrorNumber([&] {
                  Call(*re, "Replace", {Variant::String("a"), Variant::String("b")});
              }),
              5019);
    Put(*re, "Pattern", Variant::String("(a*)*b"));
    EXPECT_EQ(ErrorNumber([&] { Call(*re, "Test", {Variant::String(std::string(40, 'a'))}); }),
              5022);
    EXPECT_EQ(ob::vbscript::ErrorDescription(5017), "Syntax error in regular expression");
    EXPECT_EQ(ob::vbscript::ErrorDescription(5022), "Regular expression too complex");
    const struct {
        const char* member;
        std::size_t args;
        InvokeKind kind;
        long number;
    } misuse[] = {
        {"Test", 0, InvokeKind::Method, 450},      {"Execute", 2, InvokeKind::Method, 450},
        {"Replace", 1, InvokeKind::Method, 450},   {"Pattern", 1, InvokeKind::PropertyGet, 450},
        {"Test", 1, InvokeKind::PropertyPut, 438}, {"LastIndex", 0, InvokeKind::PropertyGet, 438},
    };
    for (const auto& m : misuse) {
        SCOPED_TRACE(m.member);
        std::vector<Variant> args(m.args, Variant::String("a"));
        EXPECT_EQ(ErrorNumber([&] { re->Invoke(m.member, m.kind, args); }), m.number);
    }
}

} // namespace
