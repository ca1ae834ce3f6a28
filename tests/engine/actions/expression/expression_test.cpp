// Integer expressions: operand forms, operators, wrap-around, diagnostics, and the
// bound on nesting.
#include "engine/actions/expression_evaluator.h"
#include "engine/expansion/expand_text.h"
#include "platform/env/environment.h"
#include "support/scratch.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

namespace ob::engine {
namespace {

struct ValueCase {
    std::string_view text;
    std::int32_t value;
};

struct FaultCase {
    std::string_view text;
    bool defined; ///< a value is still computed (the fault does not end the evaluation)
    std::string_view messagePart;
};

void ExpectValues(std::initializer_list<ValueCase> cases) {
    for (const ValueCase& c : cases) {
        const ExpressionResult r = EvaluateExpression(c.text);
        EXPECT_TRUE(r.ok()) << '"' << c.text << "\": " << r.message;
        EXPECT_EQ(r.value, c.value) << '"' << c.text << '"';
    }
}

void ExpectFaults(std::initializer_list<FaultCase> cases) {
    for (const FaultCase& c : cases) {
        const ExpressionResult r = EvaluateExpression(c.text);
        EXPECT_FALSE(r.ok()) << '"' << c.text << '"';
        EXPECT_GE(r.diagnostics, 1) << '"' << c.text << '"';
        EXPECT_EQ(r.defined, c.defined) << '"' << c.text << '"';
        EXPECT_NE(r.message.find(c.messagePart), std::string::npos)
            << '"' << c.text << "\": " << r.message;
    }
}

class ExpressionTest : public ::testing::Test {
protected:
    void SetUp() override { ob::test::UseScratchStores(scratch_); }
    void TearDown() override {
        for (const char* name : {"OBXA", "OBXLONG1", "_OBX", ".OBX", "OB$X", "OBXBAD", "N"}) {
            ob::env::Remove(name);
        }
    }
    ob::test::ScratchDir scratch_;
};

TEST_F(ExpressionTest, OperandForms) {
    ExpectValues({
        {"0", 0},
        {"42", 42},
        {"007", 7}, // leading zeros are decimal, not octal
        {"2147483647", INT_MAX},
        {"-2147483648", INT_MIN}, // the evaluator's own output reads back
        {"- 2147483648", INT_MIN},
        {"$1F", 31},
        {"$1f", 31},
        {"$aBcD", 0xABCD},
        {"$FFFFFFFF", -1},
        {"$80000000", INT_MIN},
        {"$000000000001", 1}, // the value must fit, not the digit count
        {"%101", 5},
        {"%11111111111111111111111111111111", -1},
        {"@17", 15},
        {"@37777777777", -1},
        {"'A'", 0x41},
        {"'AB'", 0x4142},
        {"'ABC'", 0x41424300}, // three characters shift once more
        {"'ABCD'", 0x41424344},
        {"''''", '\''},
        {"'a''b'", 0x61276200},
        {"'\xff'", 0xFF}, // characters are unsigned bytes
        {"(5)", 5},
        {"((((7))))", 7},
        {"-5", -5},
        {"+5", 5},
        {"--5", 5},
        {"-(3)", -3},
        {"!0", 1},
        {"!7", 0},
        {"!!7", 1},
        {"~0", -1},
        {"~-1", 0},
        {" \t 5", 5},
        {"( 1 +\t2 ) * 3 ", 9},
    });
}

TEST_F(ExpressionTest, NamesReadProcessVariables) {
    ob::env::Set("OBXA", "12");
    ob::env::Set("OBXLONG1", "5");
    ob::env::Set("_OBX", "-7");
    ob::env::Set(".OBX", "+8");
    ob::env::Set("OB$X", "-2147483648");
    ExpectValues({
        {"OBXA", 12},
        {"obxa*2", 24},        // names compare without regard to case
        {"OBXLONG1XYZ", 5},    // only the first 8 characters count
        {"OBXLONG1$9_Z+1", 6}, // "$" continues a name
        {"_OBX", -7},
        {".OBX", 8},
        {"OB$X", INT_MIN},
        {"-OB$X", INT_MIN},
        {"OBXA.5", 12}, // "." does not continue a name
        {"OBXA-_OBX", 19},
    });
}

TEST_F(ExpressionTest, VariableFaults) {
    for (const char* value :
         {"", "abc", " 5", "5 ", "0x10", "2147483648", "-2147483649", "-", "1e3"}) {
        ob::env::Set("OBXBAD", value);
        const ExpressionResult r = EvaluateExpression("OBXBAD+1");
        EXPECT_FALSE(r.ok()) << '"' << value << '"';
        EXPECT_TRUE(r.defined) << '"' << value << '"';
        EXPECT_EQ(r.diagnostics, 1) << '"' << value << '"';
    }
    ExpectFaults({
        {"UNSETNAME", true, "Variable not set: UNSETNAM"},
        {"1+OBXNOTSET*2", true, "OBXNOTSE"},
    });
}

TEST_F(ExpressionTest, OperatorsPrecedenceAndAssociativity) {
    ExpectValues({
        {"7*3", 21},        {"7/2", 3},    {"-7/2", -3},   {"7%3", 1},         {"-7%3", -1},
        {"7%-3", 1},        {"5%%11", 2},  {"2+3*4", 14},  {"(2+3)*4", 20},    {"10-3-2", 5},
        {"100/10/5", 2},    {"2*3%4", 2},  {"1+1<<2", 8},  {"1<<4", 16},       {"256>>4", 16},
        {"-16>>2", -4},     {"1<<33", 2},  {"1<<32", 1},   {"1<<-1", INT_MIN}, {"2<<1<<1", 8},
        {"1<<2<3", 0},      {"3<5", 1},    {"5<3", 0},     {"5<=5", 1},        {"6<=5", 0},
        {"5>3", 1},         {"3>3", 0},    {"3>=4", 0},    {"4>=4", 1},        {"-1<0", 1},
        {"$FFFFFFFF>1", 0}, {"1==1", 1},   {"1!=1", 0},    {"2!=1", 1},        {"1<2==1", 1},
        {"3==3==1", 1},     {"2==2<1", 0}, {"6&3", 2},     {"6^3", 5},         {"6|3", 7},
        {"1|2^3&4", 3},     {"6&3==3", 0}, {"5^5|1", 1},   {"1&&2", 1},        {"1&&0", 0},
        {"0||3", 1},        {"0||0", 0},   {"1||0&&0", 1}, {"0&&0||1", 1},     {"2|1&&4", 1},
        {"-2*-3", 6},       {"1--1", 2},   {"1-+1", 0},    {"!0+1", 2},        {"-3*2+10/3", -3},
        {"2+7%3", 3},       {"7%3*2", 2},  {"8/4*2", 4},   {"8-2+1", 7},       {"9-6/3", 7},
    });
}

TEST_F(ExpressionTest, ArithmeticWrapsAround) {
    ExpectValues({
        {"2147483647+1", INT_MIN},
        {"-2147483647-2", INT_MAX},
        {"$7FFFFFFF*2", -2},
        {"65536*65536", 0},
        {"-$80000000", INT_MIN},
        {"~$7FFFFFFF", INT_MIN},
        {"$80000000/-1", INT_MIN}, // a machine division would fault here
        {"-2147483648/-1", INT_MIN},
        {"$80000000%-1", 0},
        {"7/-1", -7},
        {"$80000000/2", -1073741824},
        {"$80000000>>31", -1},
    });
}

TEST_F(ExpressionTest, FaultsThatStillGiveAValue) {
    ExpectFaults({
        {"1/0", true, "Division by zero"},
        {"1%0", true, "Remainder by zero"},
        {"5/(3-3)", true, "zero"},
        {"0&&1/0", true, "zero"}, // both sides of a logical operator are evaluated
        {"2147483648", true, "32 bits"},
        {"4294967296", true, "32 bits"},
        {"99999999999999999999999", true, "32 bits"},
        {"5-2147483648", true, "32 bits"}, // only a unary minus takes 2147483648
        {"$100000000", true, "32 bits"},
        {"%111111111111111111111111111111111", true, "32 bits"},
        {"@40000000000", true, "32 bits"},
        {"''", true, "Empty character constant"},
        {"'ABCDE'", true, "longer than four"},
    });
    // An oversized constant keeps its low 32 bits.
    EXPECT_EQ(EvaluateExpression("'ABCDE'").value, 0x42434445);
    EXPECT_EQ(EvaluateExpression("$123456789").value, 0x23456789);
    // Each fault counts; the message is the first one.
    const ExpressionResult r = EvaluateExpression("1/0 + OBXNOTSET + 3%0");
    EXPECT_EQ(r.diagnostics, 3);
    EXPECT_EQ(r.message.rfind("Division by zero", 0), 0u) << r.message;
}

TEST_F(ExpressionTest, MalformedOperandsEndTheEvaluation) {
    ExpectFaults({
        {"", false, "Operand expected"},      {"  \t", false, "Operand expected"},
        {"+", false, "Operand expected"},     {"5+", false, "Operand expected"},
        {"5 * ", false, "Operand expected"},  {"*5", false, "Operand expected"},
        {")", false, "Operand expected"},     {"5+)", false, "Operand expected"},
        {"5<<=1", false, "Operand expected"}, {"$", false, "Digits expected after \"$\""},
        {"$G", false, "Digits expected"},     {"%", false, "Digits expected after \"%\""},
        {"%2", false, "Digits expected"},     {"@8", false, "Digits expected after \"@\""},
        {"(", false, "Operand expected"},     {"(5", false, "Missing \")\""},
        {"(5+", false, "Operand expected"},   {"()", false, "Operand expected"},
        {"(5 6)", false, "Missing \")\""},    {"'", false, "Unterminated"},
        {"'abc", false, "Unterminated"},      {"'''", false, "Unterminated"},
        {"1/0+", false, "Division by zero"}, // first message kept
    });
    EXPECT_EQ(EvaluateExpression("1/0+").diagnostics, 2);
    EXPECT_EQ(EvaluateExpression("5+").value, 0);
}

TEST_F(ExpressionTest, TextAfterACompleteOperandIsIgnored) {
    ExpectValues({
        {"5 abc", 5},
        {"5)", 5},
        {"1+2 junk", 3},
        {"12abc", 12},
        {"$1G", 1},
        {"%12", 1},
        {"@78", 7},
        {"5=3", 5},
        {"5!3", 5},
        {"5 ~1", 5},
        {"(1+2)(4)", 3},
        {"'A'B", 0x41},
        {std::string_view("5\0+1", 4), 5},
        {"1+2\r\n+4", 3},
    });
}

TEST_F(ExpressionTest, CasesFromStatements) {
    // -set -eval N=$1F+1 and N=$1f+1 both give 32.
    ExpectValues({{"$1F+1", 32}, {"$1f+1", 32}, {"0", 0}});

    // -if %N%>3 big small: the text arrives expanded.
    for (const auto& [n, expected] : {std::pair{"5", 1}, {"3", 0}, {"-4", 0}, {"2147483647", 1}}) {
        ob::env::Set("N", n);
        const ExpressionResult r = EvaluateExpression(Expanded("%N%>3"));
        EXPECT_TRUE(r.ok()) << n << ": " << r.message;
        EXPECT_EQ(r.value, expected) << n;
    }
    // Unexpanded, "%N" is a binary prefix without digits.
    EXPECT_FALSE(EvaluateExpression("%N%>3").defined);

    // -test UNSETNAME is an expression error.
    EXPECT_FALSE(EvaluateExpression("UNSETNAME").ok());
}

TEST_F(ExpressionTest, DecimalTextOfEveryResultReadsBack) {
    for (std::int64_t v : {std::int64_t{INT_MIN}, std::int64_t{INT_MIN} + 1, std::int64_t{-1},
                           std::int64_t{0}, std::int64_t{INT_MAX}}) {
        ExpectValues({{std::to_string(v), static_cast<std::int32_t>(v)}});
    }
    for (std::int64_t v = INT_MIN; v <= INT_MAX; v += 65537 * 257) {
        const std::string text = std::to_string(v);
        EXPECT_EQ(EvaluateExpression(text).value, v) << text;
    }
}

TEST_F(ExpressionTest, NestingIsBounded) {
    const auto nested = [](int levels, std::string_view open, std::string_view close) {
        std::string text;
        for (int i = 0; i < levels; ++i) {
            text += open;
        }
        text += "1";
        for (int i = 0; i < levels; ++i) {
            text += close;
        }
        return text;
    };
    const int limit = kMaxExpressionDepth;
    ExpectValues({
        {nested(limit, "(", ")"), 1},
        {nested(limit, "-", ""), limit % 2 == 0 ? 1 : -1},
        {nested(limit / 2, "(-", ")"), 1},
        // Depth is nesting, not a total: siblings each get the full depth.
        {nested(limit, "(", ")") + "+" + nested(limit, "(", ")"), 2},
    });
    ExpectFaults({
        {nested(limit + 1, "(", ")"), false, "nested deeper than 256"},
        {nested(limit + 1, "~", ""), false, "nested deeper"},
        {nested(limit / 2 + 1, "(-", ")"), false, "nested deeper"},
        {nested(1'000'000, "(", ")"), false, "nested deeper"},
        {nested(1'000'000, "!", ""), false, "nested deeper"},
        {std::string(1'000'000, '('), false, "nested deeper"},
    });
    // Every precedence level between the parentheses of each level.
    std::string chain;
    for (int i = 0; i < limit; ++i) {
        chain += "0||1&&1|0^0&1==1<2<<0+0*(";
    }
    chain += "1" + std::string(limit, ')');
    EXPECT_TRUE(EvaluateExpression(chain).ok());
}

} // namespace
} // namespace ob::engine
