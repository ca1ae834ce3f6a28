// The pure helpers behind the string and formatting built-ins: letter case,
// the ANSI code page, character-safe searching, number formatting and the
// %XX / %uXXXX escapes.
#include "vbscript/ansi_code_page.h"
#include "vbscript/builtin_escape.h"
#include "vbscript/builtin_format.h"
#include "vbscript/letter_case.h"
#include "vbscript/text_search.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>

namespace ob::vbscript {
namespace {

TEST(LetterCase, FoldsEachScriptAndLeavesTheRest) {
    struct Case {
        char32_t upper;
        char32_t lower;
    };
    const Case pairs[] = {
        {'A', 'a'},       {'Z', 'z'},       {0x00C0, 0x00E0}, {0x00DE, 0x00FE}, // Latin-1
        {0x0178, 0x00FF}, {0x0100, 0x0101}, {0x0141, 0x0142}, {0x0179, 0x017A}, // Extended-A
        {0x017D, 0x017E}, {0x0391, 0x03B1}, {0x03A9, 0x03C9}, {0x0386, 0x03AC}, // Greek
        {0x038F, 0x03CE}, {0x0410, 0x0430}, {0x042F, 0x044F}, {0x0401, 0x0451}, // Cyrillic
        {0x0460, 0x0461}, {0x04C1, 0x04C2}, {0x04D0, 0x04D1}, {0x04C0, 0x04CF},
    };
    for (const Case& c : pairs) {
        EXPECT_EQ(UpperLetter(c.lower), c.upper) << std::hex << static_cast<std::uint32_t>(c.lower);
        EXPECT_EQ(LowerLetter(c.upper), c.lower) << std::hex << static_cast<std::uint32_t>(c.upper);
        EXPECT_EQ(UpperLetter(c.upper), c.upper) << std::hex << static_cast<std::uint32_t>(c.upper);
        EXPECT_EQ(LowerLetter(c.lower), c.lower) << std::hex << static_cast<std::uint32_t>(c.lower);
    }
    // Not letters, or letters without a simple partner: unchanged both ways.
    const char32_t unchanged[] = {'1',    '@',    0x00D7, 0x00F7, 0x00DF,  0x00B5,
                                  0x0138, 0x0149, 0x03A2, 0x4E2D, 0x1F600, 0xDCE9};
    for (const char32_t c : unchanged) {
        EXPECT_EQ(UpperLetter(c), c) << std::hex << static_cast<std::uint32_t>(c);
        EXPECT_EQ(LowerLetter(c), c) << std::hex << static_cast<std::uint32_t>(c);
    }
    EXPECT_EQ(UpperLetter(0x03C2), 0x03A3u); // final sigma
    EXPECT_EQ(UpperLetter(0x0131), char32_t('I'));
    EXPECT_EQ(LowerLetter(0x0130), char32_t('i'));
}

TEST(LetterCase, TextsKeepInvalidBytes) {
    EXPECT_EQ(UpperCaseText("abc"), "ABC");
    EXPECT_EQ(UpperCaseText("gr\xC3\xBC\xC3\x9F"
                            "e"),
              "GR\xC3\x9C\xC3\x9F"
              "E");
    EXPECT_EQ(LowerCaseText("X\xFFY\xC3"), "x\xFFy\xC3");
}

TEST(AnsiCodePage, MapsBothWays) {
    struct Case {
        int code;
        char32_t character;
    };
    const Case cases[] = {{0, 0},        {65, 'A'},     {127, 127},    {128, 0x20AC},
                          {129, 0x0081}, {138, 0x0160}, {153, 0x2122}, {159, 0x0178},
                          {160, 0x00A0}, {233, 0x00E9}, {255, 0x00FF}};
    for (const Case& c : cases) {
        EXPECT_EQ(AnsiToUnicode(static_cast<unsigned char>(c.code)), c.character) << c.code;
        EXPECT_EQ(UnicodeToAnsi(c.character), c.code) << c.code;
    }
    for (int code = 0; code < 256; ++code) { // every code comes back
        EXPECT_EQ(UnicodeToAnsi(AnsiToUnicode(static_cast<unsigned char>(code))), code);
    }
    EXPECT_EQ(UnicodeToAnsi(0x0080), '?'); // the euro's slot is not U+0080
    EXPECT_EQ(UnicodeToAnsi(0x03A9), '?');
    EXPECT_EQ(UnicodeToAnsi(0x1F600), '?');
}

TEST(TextSearch, MatchesWholeCharactersOnly) {
    struct Case {
        const char* text;
        const char* what;
        std::size_t from;
        CompareMode mode;
        std::size_t begin;
        std::size_t end;
    };
    constexpr std::size_t kNo = std::string_view::npos;
    const Case cases[] = {
        {"hello", "l", 0, CompareMode::Binary, 2, 3},
        {"hello", "L", 0, CompareMode::Text, 2, 3},
        {"hello", "L", 0, CompareMode::Binary, kNo, kNo},
        {"hello", "", 3, CompareMode::Binary, 3, 3},
        {"a\xC3\xA9"
         "b",
         "b", 0, CompareMode::Binary, 3, 4},
        // "é" is C3 A9: a lone A9 byte must not match its second half.
        {"\xC3\xA9", "\xA9", 0, CompareMode::Binary, kNo, kNo},
        {"x\xA9\xC3\xA9", "\xA9", 0, CompareMode::Binary, 1, 2},
        {"\xC3\x89t\xC3\xA9", "\xC3\xA9", 0, CompareMode::Text, 0, 2}, // "Été"
        {"\xC3\x89t\xC3\xA9", "\xC3\xA9", 1, CompareMode::Text, 3, 5},
        {"\xC4\xB0x", "ix", 0, CompareMode::Text, 0, 3}, // folding changes the length
        {"abc", "abcd", 0, CompareMode::Text, kNo, kNo},
        {"abc", "c", 4, CompareMode::Binary, kNo, kNo},
    };
    for (const Case& c : cases) {
        const TextMatch m = FindText(c.text, c.what, c.from, c.mode);
        EXPECT_EQ(m.begin, c.begin) << c.text << " / " << c.what;
        EXPECT_EQ(m.end, c.end) << c.text << " / " << c.what;
    }
}

TEST(TextSearch, FindsTheLastMatchBeforeAnOffset) {
    EXPECT_EQ(FindLastText("abab", "ab", 4, CompareMode::Binary).begin, 2u);
    EXPECT_EQ(FindLastText("abab", "ab", 3, CompareMode::Binary).begin, 0u);
    EXPECT_EQ(FindLastText("abab", "AB", 4, CompareMode::Text).begin, 2u);
    EXPECT_FALSE(FindLastText("abab", "ab", 1, CompareMode::Binary).Found());
    const std::string text = "\xC3\xA9x\xC3\xA9x"; // "éxéx"
    EXPECT_EQ(FindLastText(text, "\xC3\x89", 6, CompareMode::Text).begin, 3u);
    EXPECT_EQ(FindLastText(text, "\xC3\x89", 4, CompareMode::Text).begin, 0u);
    EXPECT_FALSE(FindLastText("\xC3\xA9", "\xA9", 2, CompareMode::Binary).Found());
}

TEST(TextSearch, ComparesByCharacter) {
    struct Case {
        const char* a;
        const char* b;
        CompareMode mode;
        int order;
    };
    const Case cases[] = {
        {"abc", "ABC", CompareMode::Text, 0},
        {"abc", "ABC", CompareMode::Binary, 1},
        {"\xC3\x89T\xC3\x89", "\xC3\xA9t\xC3\xA9", CompareMode::Text, 0}, // ÉTÉ / été
        {"\xD0\x96", "\xD0\xB6", CompareMode::Text, 0},                   // Ж / ж
        {"a", "\xC3\xA4", CompareMode::Text, -1},
        {"\xC3\xA4", "b", CompareMode::Text, 1},
        {"ab", "a", CompareMode::Text, 1},
        {"", "", CompareMode::Text, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CompareTexts(c.a, c.b, c.mode), c.order) << c.a << " / " << c.b;
        EXPECT_EQ(CompareTexts(c.b, c.a, c.mode), -c.order) << c.b << " / " << c.a;
    }
}

TEST(FormatDecimal, RoundsGroupsAndSigns) {
    struct Case {
        double value;
        NumberFormat format;
        const char* expected;
    };
    const NumberFormat standard;
    const Case cases[] = {
        {0, standard, "0.00"},
        {2.5, {0, true, false, true}, "3"},
        {-2.5, {0, true, false, true}, "-3"},
        {0.5, {0, true, false, true}, "1"},
        {1.005, standard, "1.01"},
        {1.004999, standard, "1.00"},
        {99.999, standard, "100.00"},
        {1234567.891, standard, "1,234,567.89"},
        {1234567.891, {2, true, false, false}, "1234567.89"},
        {-1234.5, {1, true, true, true}, "(1,234.5)"},
        {0.25, {2, false, false, true}, ".25"},
        {-0.25, {2, false, true, true}, "(.25)"},
        {0.4, {0, false, false, true}, "0"},
        {-0.004, standard, "0.00"},
        {1e-7, {9, true, false, true}, "0.000000100"},
        {123456789012345.0, {0, true, false, true}, "123,456,789,012,345"},
        {1e21, {0, true, false, true}, "1,000,000,000,000,000,000,000"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FormatDecimal(c.value, c.format), c.expected) << c.value;
    }
    EXPECT_EQ(FormatDecimal(-5, standard, "$"), "-$5.00");
    EXPECT_EQ(FormatDecimal(-5, {2, true, true, true}, "$"), "($5.00)");
    EXPECT_EQ(FormatDecimal(12.5, {1, true, false, true}, {}, "%"), "12.5%");
    EXPECT_EQ(FormatDecimal(HUGE_VAL, standard), "");
    EXPECT_EQ(FormatDecimal(std::nan(""), standard), "");
}

TEST(FormatDateText, WritesEachForm) {
    const double pi = 34772.528807870370; // 3/14/1995 12:41:29 PM
    EXPECT_EQ(FormatDateText(pi, 0), "3/14/1995 12:41:29 PM");
    EXPECT_EQ(FormatDateText(pi, 1), "Tuesday, March 14, 1995");
    EXPECT_EQ(FormatDateText(pi, 2), "3/14/1995");
    EXPECT_EQ(FormatDateText(pi, 3), "12:41:29 PM");
    EXPECT_EQ(FormatDateText(pi, 4), "12:41");
    EXPECT_EQ(FormatDateText(34772.0, 0), "3/14/1995");
    EXPECT_EQ(FormatDateText(0.75, 0), "6:00:00 PM");
    EXPECT_EQ(FormatDateText(0, 0), "12:00:00 AM");
    EXPECT_EQ(FormatDateText(-1.25, 0), "12/29/1899 6:00:00 AM");
    EXPECT_EQ(FormatDateText(1e9, 0), "");
}

TEST(Escape, EncodesAndDecodes) {
    struct Case {
        const char* plain;
        const char* escaped;
    };
    const Case cases[] = {
        {"AZaz09@*_+-./", "AZaz09@*_+-./"},
        {"a b", "a%20b"},
        {"%", "%25"},
        {"\xC3\xA9", "%E9"},
        {"\xE2\x82\xAC", "%u20AC"},
        {"\xF0\x9F\x98\x80", "%uD83D%uDE00"},
        {"x\xFF", "x%uDCFF"}, // a byte that is not UTF-8 comes back as that byte
    };
    for (const Case& c : cases) {
        EXPECT_EQ(EscapeText(c.plain), c.escaped) << c.plain;
        EXPECT_EQ(UnescapeText(c.escaped), c.plain) << c.escaped;
    }
    EXPECT_EQ(EscapeText(std::string("\0", 1)), "%00");
    const char* const malformed[] = {"%", "%4", "%G0", "%u", "%u12", "%u12X4", "a%"};
    for (const char* text : malformed) {
        EXPECT_EQ(UnescapeText(text), text);
    }
    EXPECT_EQ(UnescapeText("%uD83D"), "\xEF\xBF\xBD"); // a lone high surrogate
}

} // namespace
} // namespace ob::vbscript
