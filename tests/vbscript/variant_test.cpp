// Variant conversions, operators and comparisons.
#include "vbscript/variant.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

using ob::vbscript::ArrayData;
using ob::vbscript::CompareMode;
using ob::vbscript::ScriptException;
using ob::vbscript::Variant;
using ob::vbscript::VarType;
namespace vb = ob::vbscript;

long ErrorOf(const std::function<void()>& fn) {
    try {
        fn();
    } catch (const ScriptException& e) {
        return e.number;
    }
    return 0;
}

using BinaryOp = Variant (*)(const Variant&, const Variant&);

struct BinaryCase {
    const char* what;
    BinaryOp op;
    Variant a;
    Variant b;
    VarType type;
    std::string text; // the result as CStr writes it
};

TEST(VariantOperators, ResultTypesAndValues) {
    const BinaryCase cases[] = {
        {"int+int", vb::Add, Variant::Integer(2), Variant::Integer(3), VarType::Integer, "5"},
        {"int overflow", vb::Add, Variant::Integer(32767), Variant::Integer(1), VarType::Long,
         "32768"},
        {"long overflow", vb::Add, Variant::Long(2147483647), Variant::Integer(1), VarType::Double,
         "2147483648"},
        {"byte+byte", vb::Add, Variant::Byte(200), Variant::Byte(100), VarType::Integer, "300"},
        {"text+text", vb::Add, Variant::String("1"), Variant::String("2"), VarType::String, "12"},
        {"text+int", vb::Add, Variant::String("1.5"), Variant::Integer(2), VarType::Double, "3.5"},
        {"empty+text", vb::Add, Variant(), Variant::String("a"), VarType::String, "a"},
        {"bool+bool", vb::Add, Variant::Boolean(true), Variant::Boolean(true), VarType::Integer,
         "-2"},
        {"date+int", vb::Add, Variant::Date(1.5), Variant::Integer(1), VarType::Date,
         "1/1/1900 12:00:00 PM"},
        {"date-date", vb::Subtract, Variant::Date(3), Variant::Date(1), VarType::Double, "2"},
        {"int*int overflow", vb::Multiply, Variant::Integer(300), Variant::Integer(300),
         VarType::Long, "90000"},
        {"divide", vb::Divide, Variant::Integer(1), Variant::Integer(4), VarType::Double, "0.25"},
        {"intdiv", vb::IntDivide, Variant::Integer(-7), Variant::Integer(2), VarType::Integer,
         "-3"},
        {"intdiv rounds", vb::IntDivide, Variant::Double(2.5), Variant::Double(1.5), VarType::Long,
         "1"},
        {"mod", vb::Modulo, Variant::Integer(-7), Variant::Integer(3), VarType::Integer, "-1"},
        {"power", vb::Power, Variant::Integer(2), Variant::Integer(-1), VarType::Double, "0.5"},
        {"concat", vb::Concat, Variant::Integer(1), Variant::Boolean(false), VarType::String,
         "1False"},
        {"concat null", vb::Concat, Variant::Null(), Variant::String("x"), VarType::String, "x"},
        {"and bits", vb::And, Variant::Integer(12), Variant::Integer(10), VarType::Integer, "8"},
        {"or long", vb::Or, Variant::Long(65536), Variant::Integer(1), VarType::Long, "65537"},
        {"xor bool", vb::Xor, Variant::Boolean(true), Variant::Boolean(false), VarType::Boolean,
         "True"},
        {"eqv", vb::Eqv, Variant::Boolean(false), Variant::Boolean(false), VarType::Boolean,
         "True"},
        {"imp", vb::Imp, Variant::Boolean(true), Variant::Boolean(false), VarType::Boolean,
         "False"},
        {"null and false", vb::And, Variant::Null(), Variant::Boolean(false), VarType::Boolean,
         "False"},
        {"null or true", vb::Or, Variant::Null(), Variant::Boolean(true), VarType::Boolean, "True"},
        {"false imp null", vb::Imp, Variant::Boolean(false), Variant::Null(), VarType::Boolean,
         "True"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Variant r = c.op(c.a, c.b);
        EXPECT_EQ(r.Type(), c.type);
        EXPECT_EQ(r.ToString(), c.text);
    }
}

TEST(VariantOperators, NullPropagates) {
    const BinaryOp ops[] = {vb::Add,    vb::Subtract, vb::Multiply, vb::Divide, vb::IntDivide,
                            vb::Modulo, vb::Power,    vb::Xor,      vb::Eqv};
    for (BinaryOp op : ops) {
        EXPECT_TRUE(op(Variant::Null(), Variant::Integer(1)).IsNull());
        EXPECT_TRUE(op(Variant::Integer(1), Variant::Null()).IsNull());
    }
    EXPECT_TRUE(vb::And(Variant::Null(), Variant::Boolean(true)).IsNull());
    EXPECT_TRUE(vb::Or(Variant::Null(), Variant::Boolean(false)).IsNull());
    EXPECT_TRUE(vb::Not(Variant::Null()).IsNull());
    EXPECT_TRUE(vb::Negate(Variant::Null()).IsNull());
    EXPECT_TRUE(vb::Concat(Variant::Null(), Variant::Null()).IsNull());
}

TEST(VariantOperators, Errors) {
    EXPECT_EQ(ErrorOf([] { vb::Divide(Variant::Integer(1), Variant::Integer(0)); }), 11);
    EXPECT_EQ(ErrorOf([] { vb::Divide(Variant::Integer(0), Variant::Integer(0)); }), 6);
    EXPECT_EQ(ErrorOf([] { vb::IntDivide(Variant::Integer(1), Variant()); }), 11);
    EXPECT_EQ(ErrorOf([] { vb::Modulo(Variant::Integer(1), Variant::Double(0.2)); }), 11);
    EXPECT_EQ(ErrorOf([] { vb::Add(Variant::String("a"), Variant::Integer(1)); }), 13);
    EXPECT_EQ(ErrorOf([] { vb::Add(Variant::Nothing(), Variant::Integer(1)); }), 13);
    EXPECT_EQ(ErrorOf([] { vb::Power(Variant::Double(1e200), Variant::Integer(2)); }), 6);
    EXPECT_EQ(ErrorOf([] { vb::Power(Variant::Integer(-8), Variant::Double(0.5)); }), 5);
    EXPECT_EQ(ErrorOf([] { vb::Multiply(Variant::Double(1e300), Variant::Double(1e300)); }), 6);
}

TEST(VariantOperators, NegateWidensAtTheEdge) {
    EXPECT_EQ(vb::Negate(Variant::Integer(-32768)).Type(), VarType::Long);
    EXPECT_EQ(vb::Negate(Variant::Long(-2147483647 - 1)).Type(), VarType::Double);
    EXPECT_EQ(vb::Negate(Variant()).Type(), VarType::Integer);
    EXPECT_EQ(vb::Not(Variant::Integer(0)).ToLong(), -1);
}

TEST(VariantConversions, Text) {
    EXPECT_EQ(Variant::Double(1.0 / 3).ToString(), "0.333333333333333");
    EXPECT_EQ(Variant::Double(1e20).ToString(), "1E+20");
    EXPECT_EQ(Variant::Double(1.5e-7).ToString(), "1.5E-07");
    EXPECT_EQ(Variant::Double(123456789012.0).ToString(), "123456789012");
    EXPECT_EQ(Variant::Double(-0.5).ToString(), "-0.5");
    EXPECT_EQ(Variant::Single(0.1).ToString(), "0.1");
    EXPECT_EQ(Variant::Currency(1.23456).ToString(), "1.2346");
    EXPECT_EQ(Variant::Boolean(true).ToString(), "True");
    EXPECT_EQ(Variant().ToString(), "");
    EXPECT_EQ(ErrorOf([] { Variant::Null().ToString(); }), 94);
    EXPECT_EQ(ErrorOf([] { Variant::Nothing().ToString(); }), 13);
}

TEST(VariantConversions, Numbers) {
    struct Case {
        const char* text;
        bool ok;
        double value;
    };
    const Case cases[] = {
        {"12", true, 12},    {" 12 ", true, 12},   {"-1.5", true, -1.5}, {"+3", true, 3},
        {"1e3", true, 1000}, {"1D2", true, 100},   {".5", true, 0.5},    {"5.", true, 5},
        {"&HFF", true, 255}, {"&HFFFF", true, -1}, {"&O17", true, 15},   {"", false, 0},
        {"  ", false, 0},    {"1e", false, 0},     {"abc", false, 0},    {"1 2", false, 0},
        {"&H", false, 0},    {"&HFG", false, 0},   {"1e999", false, 0},  {"-", false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        double value = 0;
        EXPECT_EQ(Variant::ParseNumber(c.text, value), c.ok);
        if (c.ok) {
            EXPECT_DOUBLE_EQ(value, c.value);
        }
    }
    EXPECT_EQ(Variant::Double(2.5).ToInteger(), 2);
    EXPECT_EQ(Variant::Double(3.5).ToInteger(), 4);
    EXPECT_EQ(Variant::Double(-2.5).ToLong(), -2);
    EXPECT_EQ(ErrorOf([] { Variant::Long(40000).ToInteger(); }), 6);
    EXPECT_EQ(ErrorOf([] { Variant::Double(3e9).ToLong(); }), 6);
    EXPECT_EQ(ErrorOf([] { Variant::String("x").ToDouble(); }), 13);
    EXPECT_TRUE(Variant::String("TRUE").ToBool());
    EXPECT_FALSE(Variant::String("0").ToBool());
    EXPECT_EQ(ErrorOf([] { Variant::String("maybe").ToBool(); }), 13);
    EXPECT_EQ(Variant::Number(40000).Type(), VarType::Long);
    EXPECT_EQ(Variant::Number(4e9).Type(), VarType::Double);
}

TEST(VariantCompare, Rules) {
    using vb::Compare;
    EXPECT_EQ(Compare(Variant::Integer(2), Variant::Double(2.0)), 0);
    EXPECT_EQ(Compare(Variant::String("a"), Variant::String("B")), 1);
    EXPECT_EQ(Compare(Variant::String("a"), Variant::String("B"), CompareMode::Text), -1);
    EXPECT_EQ(Compare(Variant::String("ab"), Variant::String("a")), 1);
    EXPECT_EQ(Compare(Variant::Integer(99), Variant::String("1")), -1); // numbers sort first
    EXPECT_EQ(Compare(Variant::Integer(1), Variant::String("1"), CompareMode::Binary, true), 0);
    EXPECT_EQ(Compare(Variant::String("10"), Variant::Integer(9), CompareMode::Binary, false, true),
              1);
    EXPECT_EQ(Compare(Variant(), Variant::String("")), 0);
    EXPECT_EQ(Compare(Variant(), Variant::Integer(0)), 0);
    EXPECT_EQ(Compare(Variant::Null(), Variant::Integer(0)), 2);
    EXPECT_EQ(Compare(Variant::Boolean(true), Variant::Integer(-1)), 0);
    EXPECT_EQ(ErrorOf([] { Compare(Variant::Nothing(), Variant::Integer(0)); }), 13);
}

TEST(VariantArrays, ShapeBoundsAndCopies) {
    auto array = ArrayData::Make({2, 3});
    ASSERT_EQ(array->items.size(), 12u);
    EXPECT_EQ(array->Offset({1, 0}), 1u); // the first subscript varies fastest
    EXPECT_EQ(array->Offset({0, 1}), 3u);
    EXPECT_EQ(array->Offset({2, 3}), 11u);
    EXPECT_EQ(ErrorOf([&] { array->Offset({3, 0}); }), 9);
    EXPECT_EQ(ErrorOf([&] { array->Offset({0}); }), 9);
    EXPECT_EQ(ErrorOf([&] { array->Offset({-1, 0}); }), 9);
    EXPECT_EQ(ErrorOf([] { ArrayData::Make({-2}); }), 9);
    EXPECT_EQ(ArrayData::Make({-1})->items.size(), 0u);
    EXPECT_EQ(ErrorOf([] { ArrayData::Make({100000, 100000}); }), 7);
    EXPECT_EQ(ErrorOf([] { ArrayData::Make({2147483647, 2147483647, 2147483647}); }), 7);

    Variant a = Variant::FromArray(ArrayData::Make({1}));
    Variant b = a;
    b.MutableArray().items[0] = Variant::Integer(5);
    EXPECT_TRUE(a.ArrayValue()->items[0].IsEmpty()); // a copy never changes the original
    EXPECT_EQ(b.ArrayValue()->items[0].ToLong(), 5);
    EXPECT_EQ(a.TypeName(), "Variant()");
    EXPECT_EQ(a.VarTypeCode(), 8204);
}

TEST(VariantLimits, HugeStringsAreRefused) {
    const std::string big(vb::kMaxStringLength / 2 + 1, 'x');
    const Variant v = Variant::String(big);
    EXPECT_EQ(ErrorOf([&] { vb::Concat(v, v); }), 7);
}

} // namespace
