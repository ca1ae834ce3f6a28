#include "platform/desktop/send_keys_parser.h"

#include <gtest/gtest.h>

#include <string>

namespace ob::desktop {
namespace {

// Strokes as "MODS KEY xN @POS" items: modifiers as + ^ %, named keys in braces.
std::string Render(const SendKeysParse& parse) {
    if (!parse.ok) {
        return "error@" + std::to_string(parse.errorPosition);
    }
    std::string out;
    for (const KeyStroke& stroke : parse.strokes) {
        if (!out.empty()) {
            out += ' ';
        }
        out += (stroke.modifiers & kShift) != 0 ? "+" : "";
        out += (stroke.modifiers & kControl) != 0 ? "^" : "";
        out += (stroke.modifiers & kAlt) != 0 ? "%" : "";
        if (stroke.kind == KeyStroke::Kind::Named) {
            out += "{" + std::string(NamedKeyName(stroke.key)) + "}";
        } else if (stroke.character < 0x80) {
            out += static_cast<char>(stroke.character);
        } else {
            out += "U+" + std::to_string(static_cast<unsigned>(stroke.character));
        }
        if (stroke.repeat != 1) {
            out += "x" + std::to_string(stroke.repeat);
        }
        out += "@" + std::to_string(stroke.position);
    }
    return out;
}

struct Case {
    const char* text;
    const char* strokes;
};

TEST(SendKeysParser, ParsesTheKeystrokeLanguage) {
    const Case cases[] = {
        {"", ""},
        {"ab", "a@0 b@1"},
        {"~", "{ENTER}@0"},
        {"{enter}{Tab}{F5}{f16}", "{ENTER}@0 {TAB}@7 {F5}@12 {F16}@16"},
        {"{BS}{BKSP}{DEL}{PGDN}", "{BACKSPACE}@0 {BACKSPACE}@4 {DELETE}@10 {PGDN}@15"},
        {"+a^b%c", "+a@1 ^b@3 %c@5"},
        {"+^%{F4}", "+^%{F4}@3"},
        {"+(ab)c", "+a@2 +b@3 c@5"},
        {"^(+(x)y)", "+^x@4 ^y@6"},
        {"(ab)", "a@1 b@2"},
        {"{+}{^}{%}{~}{(}{)}{{}{}}", "+@0 ^@3 %@6 ~@9 (@12 )@15 {@18 }@21"},
        {"{x 5}{LEFT 3}{} 2}", "xx5@0 {LEFT}x3@5 }x2@13"},
        {"{a 0}", "ax0@0"},
        {"{ }", " @0"},
        {"[x]", "[@0 x@1 ]@2"},
        {"\t\r\n", "{TAB}@0 {ENTER}@1 {ENTER}@2"},
        {"\xc3\xa9\xe2\x82\xac", "U+233@0 U+8364@2"},
        {"{\xc3\xa9}", "U+233@0"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Render(ParseSendKeys(c.text)), c.strokes) << c.text;
    }
}

TEST(SendKeysParser, ReportsWhereTheTextIsWrong) {
    const Case cases[] = {
        {"ab}", "error@2"},
        {"a)", "error@1"},
        {"x{ENTER", "error@1"},
        {"{}", "error@0"},
        {"{", "error@0"},
        {"+(ab", "error@1"},
        {"a{NOSUCHKEY}", "error@1"},
        {"{F17}", "error@0"},
        {"ab+", "error@2"},
        {"+()", "error@1"},
        {"a\x01", "error@1"},
        {"a\xc3", "error@1"},
        {"\xed\xa0\x80", "error@0"}, // a surrogate
        {"{x 9999999999}", "error@3"},
        {"{x 60000}{y 60000}", "error@9"},
        {"((((((((((((((((((a))))))))))))))))))", "error@16"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Render(ParseSendKeys(c.text)), c.strokes) << c.text;
    }
    const SendKeysParse parse = ParseSendKeys("a{NOSUCHKEY}");
    EXPECT_TRUE(parse.strokes.empty());
    EXPECT_EQ(parse.error, "unknown key name \"NOSUCHKEY\"");
}

} // namespace
} // namespace ob::desktop
