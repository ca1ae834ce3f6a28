// The conversion and type built-ins (CStr, CInt ... CDate, IsEmpty ... IsDate,
// TypeName, VarType) and the array built-ins UBound, LBound and Array.
#include "vbscript/builtins.h"

#include "vbscript/builtin_args.h"

#include "platform/time/ole_date.h"

namespace ob::vbscript::builtin {

namespace {

Variant CStr(Interpreter&, Args& a) {
    return Variant::String(a[0].ToString());
}
Variant CInt(Interpreter&, Args& a) {
    return Variant::Integer(a[0].ToInteger());
}
Variant CLng(Interpreter&, Args& a) {
    return Variant::Long(a[0].ToLong());
}
Variant CDbl(Interpreter&, Args& a) {
    return Variant::Double(a[0].ToDouble());
}
Variant CSng(Interpreter&, Args& a) {
    return Variant::Single(a[0].ToDouble());
}
Variant CCur(Interpreter&, Args& a) {
    return Variant::Currency(a[0].ToDouble());
}
Variant CBool(Interpreter&, Args& a) {
    return Variant::Boolean(a[0].ToBool());
}
Variant CByte(Interpreter&, Args& a) {
    const std::int32_t n = a[0].ToLong();
    if (n < 0 || n > 255) {
        throw ScriptException(err::kOverflow);
    }
    return Variant::Byte(n);
}
Variant CDate(Interpreter&, Args& a) {
    return Variant::Date(a[0].ToDate());
}

Variant IsEmpty(Interpreter&, Args& a) {
    return Variant::Boolean(a[0].IsEmpty());
}
Variant IsNull(Interpreter&, Args& a) {
    return Variant::Boolean(a[0].IsNull());
}
Variant IsArray(Interpreter&, Args& a) {
    return Variant::Boolean(a[0].IsArray());
}
Variant IsObject(Interpreter&, Args& a) {
    return Variant::Boolean(a[0].IsObject());
}
Variant IsNumeric(Interpreter&, Args& a) {
    if (a[0].IsString()) {
        double ignored = 0;
        return Variant::Boolean(Variant::ParseNumber(a[0].StringValue(), ignored));
    }
    return Variant::Boolean(a[0].IsNumeric() && a[0].Type() != VarType::Date);
}
Variant IsDate(Interpreter&, Args& a) {
    if (a[0].Type() == VarType::Date) {
        return Variant::Boolean(true);
    }
    return Variant::Boolean(a[0].IsString() &&
                            datetime::OleDate::Parse(a[0].StringValue()).IsValid());
}
Variant TypeName(Interpreter&, Args& a) {
    return Variant::String(a[0].TypeName());
}
Variant VarTypeOf(Interpreter&, Args& a) {
    return Variant::Integer(a[0].VarTypeCode());
}

const ArrayData& RequireArray(const Variant& v) {
    if (!v.IsArray()) {
        throw ScriptException(err::kTypeMismatch);
    }
    return *v.ArrayValue();
}

std::size_t Dimension(const ArrayData& array, const Args& a) {
    const std::int32_t d = Given(a, 1) ? a[1].ToLong() : 1;
    if (d < 1 || static_cast<std::size_t>(d) > array.upper.size()) {
        throw ScriptException(err::kSubscript);
    }
    return static_cast<std::size_t>(d) - 1;
}

Variant UBound(Interpreter&, Args& a) {
    const ArrayData& array = RequireArray(a[0]);
    return Variant::Long(array.upper[Dimension(array, a)]);
}
Variant LBound(Interpreter&, Args& a) {
    const ArrayData& array = RequireArray(a[0]);
    Dimension(array, a);
    return Variant::Long(0);
}
Variant ArrayOf(Interpreter&, Args& a) {
    auto array = ArrayData::Make({static_cast<std::int32_t>(a.size()) - 1});
    for (std::size_t i = 0; i < a.size(); ++i) {
        array->items[i] = std::move(a[i]);
    }
    return Variant::FromArray(std::move(array));
}

} // namespace

std::span<const Builtin> ConversionFunctions() {
    static const Builtin kFunctions[] = {
        {"Array", 0, kAnyCount, ArrayOf},
        {"CBool", 1, 1, CBool},
        {"CByte", 1, 1, CByte},
        {"CCur", 1, 1, CCur},
        {"CDate", 1, 1, CDate},
        {"CDbl", 1, 1, CDbl},
        {"CInt", 1, 1, CInt},
        {"CLng", 1, 1, CLng},
        {"CSng", 1, 1, CSng},
        {"CStr", 1, 1, CStr},
        {"IsArray", 1, 1, IsArray},
        {"IsDate", 1, 1, IsDate},
        {"IsEmpty", 1, 1, IsEmpty},
        {"IsNull", 1, 1, IsNull},
        {"IsNumeric", 1, 1, IsNumeric},
        {"IsObject", 1, 1, IsObject},
        {"LBound", 1, 2, LBound},
        {"TypeName", 1, 1, TypeName},
        {"UBound", 1, 2, UBound},
        {"VarType", 1, 1, VarTypeOf},
    };
    return kFunctions;
}

} // namespace ob::vbscript::builtin
