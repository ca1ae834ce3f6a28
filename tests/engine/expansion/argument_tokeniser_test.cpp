#include "engine/expansion/argument_tokeniser.h"

#include "expansion_fixture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using ob::engine::ArgumentTokeniser;
using ob::engine::kQuotedSeparatorLimit;
using ob::engine::TOKENISE_EXPAND;
using ob::engine::TOKENISE_KEEP_EMPTY;
using ob::engine::TOKENISE_NO_COMMA;
using ob::engine::TokeniseResult;
using Words = std::vector<std::string>;

class ArgumentTokeniserTest : public ob::test::ExpansionTest {
protected:
    Words Split(const std::string& text, std::uint32_t mode) {
        Words words{"stale"};
        EXPECT_EQ(ArgumentTokeniser(text, mode, words), TokeniseResult::Ok) << text;
        return words;
    }
};

struct SplitCase {
    const char* text;
    std::uint32_t mode;
    Words expected;
};

TEST_F(ArgumentTokeniserTest, SplitsAtSeparatorsOutsideQuotes) {
    const SplitCase cases[] = {
        {"a b\tc", 0, {"a", "b", "c"}},
        {"  a \t  b  ", 0, {"a", "b"}},
        {"a,b,,c", 0, {"a", "b", "c"}},
        {"a,b", TOKENISE_NO_COMMA, {"a,b"}},
        {"a, b", TOKENISE_NO_COMMA, {"a,", "b"}},
        {",,,", 0, {}},
        {",,,", TOKENISE_NO_COMMA, {",,,"}},
        {"\"a b\" c", 0, {"a b", "c"}},
        {"\"a,b\"\t\"c\td\"", 0, {"a,b", "c\td"}},
        {"x\"a b\"y z", 0, {"xa by", "z"}},
        {"a\"b", 0, {"ab"}},
        {"\"unclosed a, b", 0, {"unclosed a, b"}},
        {"\"\"", 0, {}},
        {"a \"\" b", 0, {"a", "b"}},
        {"\"\"", TOKENISE_KEEP_EMPTY, {""}},
        {"a \"\" b,\"\"", TOKENISE_KEEP_EMPTY, {"a", "", "b", ""}},
        {"a\"\"b \"\"\"\"", TOKENISE_KEEP_EMPTY, {"ab", ""}}, // quotes inside a word vanish
        {"a  , b", TOKENISE_KEEP_EMPTY, {"a", "b"}},          // separators alone make no word
        {"\" \"", 0, {" "}},
        {"", 0, {}},
        {" \t\r\n", 0, {}},
        {"a b \r\n", 0, {"a", "b"}},
        {"\"a \r\n", 0, {"a"}},               // the open quote does not protect trailing blanks
        {"a\rb \"c d\"", 0, {"a\rb", "c d"}}, // a carriage return is a plain character
        {"\ra", 0, {"\ra"}},
    };
    for (const SplitCase& c : cases) {
        EXPECT_EQ(Split(c.text, c.mode), c.expected) << "[" << c.text << "] mode " << c.mode;
    }
}

TEST_F(ArgumentTokeniserTest, ExpandsOnlyInExpandingModes) {
    SetVariable("OBX_WORDS", "x y,z");
    SetVariable("OBX_QUOTED", "\"p q\"");
    SetVariable("OBX_TRAILING", "v ");
    const SplitCase cases[] = {
        {"%OBX_WORDS%", 0, {"%OBX_WORDS%"}},
        {"%OBX_WORDS%", TOKENISE_NO_COMMA, {"%OBX_WORDS%"}},
        {"%OBX_WORDS%", TOKENISE_EXPAND, {"x", "y", "z"}},
        {"%OBX_WORDS%", TOKENISE_EXPAND | TOKENISE_NO_COMMA, {"x", "y,z"}},
        {"\"%OBX_WORDS%\"", TOKENISE_EXPAND, {"x y,z"}},
        {"%OBX_QUOTED% r", TOKENISE_EXPAND, {"p q", "r"}},
        {"[%OBX_TRAILING%]", TOKENISE_EXPAND, {"[v", "]"}},
        {"%Y%,%m%", TOKENISE_EXPAND, {"2007", "03"}},
        {"%Y%,%m%", TOKENISE_EXPAND | TOKENISE_NO_COMMA, {"2007,03"}},
        {"50%% off", TOKENISE_EXPAND, {"50%", "off"}},
        {"50%% off", 0, {"50%%", "off"}},
        {"50% off 20% ", TOKENISE_EXPAND, {"50"}},
        {"%NO_SUCH_VARIABLE_HERE%", TOKENISE_EXPAND, {}},
        {"\"%NO_SUCH_VARIABLE_HERE%\" r", TOKENISE_EXPAND | TOKENISE_KEEP_EMPTY, {"", "r"}},
    };
    for (const SplitCase& c : cases) {
        EXPECT_EQ(Split(c.text, c.mode), c.expected) << "[" << c.text << "] mode " << c.mode;
    }
}

TEST_F(ArgumentTokeniserTest, QuotedSeparatorLimitIsExact) {
    const std::string full(kQuotedSeparatorLimit, ' ');
    Words words;
    ASSERT_EQ(ArgumentTokeniser("a\"" + full + "\"b", 0, words), TokeniseResult::Ok);
    ASSERT_EQ(words.size(), 1u);
    EXPECT_EQ(words[0], "a" + full + "b");

    const std::string half(kQuotedSeparatorLimit / 2, ',');
    ASSERT_EQ(ArgumentTokeniser("\"" + half + "\" x \"" + half + "\t\"", 0, words),
              TokeniseResult::TooManyQuotedSeparators);
    EXPECT_TRUE(words.empty());

    // Commas that do not separate do not count; unquoted separators never do.
    const std::string commas(kQuotedSeparatorLimit * 2, ',');
    EXPECT_EQ(ArgumentTokeniser("\"" + commas + "\"", TOKENISE_NO_COMMA, words),
              TokeniseResult::Ok);
    EXPECT_EQ(ArgumentTokeniser("\"" + commas + "\"", 0, words),
              TokeniseResult::TooManyQuotedSeparators);
    EXPECT_EQ(ArgumentTokeniser("a" + commas + "b", 0, words), TokeniseResult::Ok);
    EXPECT_EQ(words, (Words{"a", "b"}));
}

TEST_F(ArgumentTokeniserTest, LimitCountsSeparatorsAfterExpansion) {
    SetVariable("OBX_BLANKS", std::string(kQuotedSeparatorLimit, ' '));
    Words words;
    EXPECT_EQ(ArgumentTokeniser("\"%OBX_BLANKS%\"", 0, words), TokeniseResult::Ok);
    EXPECT_EQ(ArgumentTokeniser("\"%OBX_BLANKS%\"", TOKENISE_EXPAND, words), TokeniseResult::Ok);
    EXPECT_EQ(ArgumentTokeniser("\"%OBX_BLANKS% \"", TOKENISE_EXPAND, words),
              TokeniseResult::TooManyQuotedSeparators);
}

} // namespace
