#include "vbscript/variant.h"

#include "vbscript/date_text.h"
#include "vbscript/object.h"

#include "platform/text/ascii_case.h"
#include "platform/time/ole_date.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace ob::vbscript {

namespace {

constexpr long kInvalidUseOfNull = 94;

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Rank of a numeric type for the result of an arithmetic operator.
int Rank(VarType t) {
    switch (t) {
    case VarType::Byte:
        return 1;
    case VarType::Empty:
    case VarType::Boolean:
    case VarType::Integer:
        return 2;
    case VarType::Long:
        return 3;
    case VarType::Single:
        return 4;
    case VarType::Double:
    case VarType::String:
        return 5;
    case VarType::Currency:
        return 6;
    case VarType::Date:
        return 7;
    default:
        throw ScriptException(err::kTypeMismatch);
    }
}

void CheckFinite(double value) {
    if (!std::isfinite(value)) {
        throw ScriptException(err::kOverflow);
    }
}

// An integral result of the smallest type at least `rank` that holds it.
Variant IntegralResult(std::int64_t value, int rank) {
    if (rank <= 1 && value >= 0 && value <= 255) {
        return Variant::Byte(static_cast<int>(value));
    }
    if (rank <= 2 && value >= -32768 && value <= 32767) {
        return Variant::Integer(static_cast<int>(value));
    }
    if (value >= std::numeric_limits<std::int32_t>::min() &&
        value <= std::numeric_limits<std::int32_t>::max()) {
        return Variant::Long(static_cast<std::int32_t>(value));
    }
    return Variant::Double(static_cast<double>(value));
}

Variant RealResult(double value, int rank) {
    CheckFinite(value);
    if (rank == 4) {
        const float narrow = static_cast<float>(value);
        if (!std::isfinite(narrow)) {
            return Variant::Double(value);
        }
        return Variant::Single(narrow);
    }
    if (rank == 6) {
        return Variant::Currency(value);
    }
    if (rank == 7) {
        return Variant::Date(value);
    }
    return Variant::Double(value);
}

enum class ArithOp { Add, Subtract, Multiply };

bool IsShortInteger(VarType t) {
    return t == VarType::Integer || t == VarType::Long;
}

Variant Arithmetic(const Variant& a, const Variant& b, ArithOp op) {
    if (IsShortInteger(a.Type()) && IsShortInteger(b.Type())) {
        // The common case (counters, sums) without the general type ranking.
        const std::int64_t x = a.ToLong();
        const std::int64_t y = b.ToLong();
        const std::int64_t r = op == ArithOp::Add ? x + y : op == ArithOp::Subtract ? x - y : x * y;
        const bool anyLong = a.Type() == VarType::Long || b.Type() == VarType::Long;
        return IntegralResult(r, anyLong ? 3 : 2);
    }
    if (a.IsNull() || b.IsNull()) {
        return Variant::Null();
    }
    int rank = std::max(Rank(a.Type()), Rank(b.Type()));
    if (op == ArithOp::Multiply && rank == 7) {
        rank = 5; // dates multiply as plain numbers
    }
    if (op == ArithOp::Subtract && a.Type() == VarType::Date && b.Type() == VarType::Date) {
        rank = 5; // the difference of two dates is a number of days
    }
    if (rank <= 3) {
        const std::int64_t x = a.ToLong();
        const std::int64_t y = b.ToLong();
        const std::int64_t r = op == ArithOp::Add ? x + y : op == ArithOp::Subtract ? x - y : x * y;
        return IntegralResult(r, rank);
    }
    const double x = a.ToDouble();
    const double y = b.ToDouble();
    const double r = op == ArithOp::Add ? x + y : op == ArithOp::Subtract ? x - y : x * y;
    return RealResult(r, rank);
}

// The integer a logical operator works on; `narrow` stays true while every operand
// fits an Integer.
std::int32_t LogicalOperand(const Variant& v, bool& narrow) {
    if (v.Type() == VarType::String) {
        double number = 0;
        if (Variant::ParseNumber(v.StringValue(), number)) {
            narrow = false;
            return Variant::Double(number).ToLong();
        }
        return v.ToBool() ? -1 : 0;
    }
    const int rank = Rank(v.Type());
    if (rank > 2) {
        narrow = false;
    }
    return v.ToLong();
}

template <typename Fn> Variant Logical(const Variant& a, const Variant& b, Fn fn) {
    bool narrow = true;
    const std::int32_t x = LogicalOperand(a, narrow);
    const std::int32_t y = LogicalOperand(b, narrow);
    const std::int32_t r = fn(x, y);
    if (a.Type() == VarType::Boolean && b.Type() == VarType::Boolean) {
        return Variant::Boolean(r != 0);
    }
    return narrow ? Variant::Integer(static_cast<std::int16_t>(r)) : Variant::Long(r);
}

// Null in a logical operator: the result is known when the other side decides it.
bool IsAllOnes(const Variant& v) {
    return !v.IsNull() && v.ToLong() == -1;
}

bool IsZero(const Variant& v) {
    return !v.IsNull() && v.ToLong() == 0;
}

int Sign(double d) {
    return d < 0 ? -1 : d > 0 ? 1 : 0;
}

} // namespace

// ---- construction ----

Variant Variant::Null() {
    Variant v;
    v.type_ = VarType::Null;
    return v;
}

Variant Variant::Nothing() {
    Variant v;
    v.type_ = VarType::Object;
    return v;
}

Variant Variant::Boolean(bool value) {
    Variant v;
    v.type_ = VarType::Boolean;
    v.integer_ = value ? -1 : 0;
    return v;
}

Variant Variant::Byte(int value) {
    Variant v;
    v.type_ = VarType::Byte;
    v.integer_ = value & 0xFF;
    return v;
}

Variant Variant::Integer(int value) {
    Variant v;
    v.type_ = VarType::Integer;
    v.integer_ = static_cast<std::int16_t>(value);
    return v;
}

Variant Variant::Long(std::int32_t value) {
    Variant v;
    v.type_ = VarType::Long;
    v.integer_ = value;
    return v;
}

Variant Variant::Single(double value) {
    Variant v;
    v.type_ = VarType::Single;
    v.real_ = static_cast<float>(value);
    return v;
}

Variant Variant::Double(double value) {
    Variant v;
    v.type_ = VarType::Double;
    v.real_ = value;
    return v;
}

Variant Variant::Currency(double value) {
    if (!(std::fabs(value) <= 922337203685477.0)) {
        throw ScriptException(err::kOverflow);
    }
    Variant v;
    v.type_ = VarType::Currency;
    v.real_ = std::round(value * 10000.0) / 10000.0;
    return v;
}

Variant Variant::Date(double oleDate) {
    if (!(oleDate >= -657434.0 && oleDate < 2958466.0)) {
        throw ScriptException(err::kOverflow);
    }
    Variant v;
    v.type_ = VarType::Date;
    v.real_ = oleDate;
    return v;
}

Variant Variant::String(std::string value) {
    if (value.size() > kMaxStringLength) {
        throw ScriptException(err::kOutOfMemory);
    }
    Variant v;
    v.type_ = VarType::String;
    v.string_ = std::move(value);
    return v;
}

Variant Variant::FromObject(std::shared_ptr<Object> object) {
    Variant v;
    v.type_ = VarType::Object;
    v.object_ = std::move(object);
    return v;
}

Variant Variant::FromArray(std::shared_ptr<ArrayData> array) {
    Variant v;
    v.type_ = VarType::Array;
    v.array_ = std::move(array);
    return v;
}

Variant Variant::Number(double value) {
    if (value == std::floor(value) && value >= -32768 && value <= 32767) {
        return Integer(static_cast<int>(value));
    }
    if (value == std::floor(value) && value >= std::numeric_limits<std::int32_t>::min() &&
        value <= std::numeric_limits<std::int32_t>::max()) {
        return Long(static_cast<std::int32_t>(value));
    }
    return Double(value);
}

// ---- type information ----

bool Variant::IsNumeric() const {
    switch (type_) {
    case VarType::Empty:
    case VarType::Boolean:
    case VarType::Byte:
    case VarType::Integer:
    case VarType::Long:
    case VarType::Single:
    case VarType::Double:
    case VarType::Currency:
    case VarType::Date:
        return true;
    default:
        return false;
    }
}

int Variant::VarTypeCode() const {
    if (type_ == VarType::Array) {
        return static_cast<int>(VarType::Array) + static_cast<int>(VarType::Variant);
    }
    return static_cast<int>(type_);
}

std::string Variant::TypeName() const {
    switch (type_) {
    case VarType::Empty:
        return "Empty";
    case VarType::Null:
        return "Null";
    case VarType::Integer:
        return "Integer";
    case VarType::Long:
        return "Long";
    case VarType::Single:
        return "Single";
    case VarType::Double:
        return "Double";
    case VarType::Currency:
        return "Currency";
    case VarType::Date:
        return "Date";
    case VarType::String:
        return "String";
    case VarType::Object:
        return object_ ? object_->TypeName() : "Nothing";
    case VarType::Boolean:
        return "Boolean";
    case VarType::Byte:
        return "Byte";
    case VarType::Array:
        return "Variant()";
    default:
        return "Unknown";
    }
}

// ---- conversion ----

bool Variant::ParseNumber(std::string_view text, double& out) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    if (text.empty()) {
        return false;
    }
    if (text.size() > 2 && text[0] == '&' &&
        (text[1] == 'H' || text[1] == 'h' || text[1] == 'O' || text[1] == 'o')) {
        const int base = (text[1] == 'H' || text[1] == 'h') ? 16 : 8;
        std::uint64_t value = 0;
        for (std::size_t i = 2; i < text.size(); ++i) {
            const char c = text[i];
            int digit = -1;
            if (c >= '0' && c <= '9') {
                digit = c - '0';
            } else if (base == 16 && c >= 'a' && c <= 'f') {
                digit = c - 'a' + 10;
            } else if (base == 16 && c >= 'A' && c <= 'F') {
                digit = c - 'A' + 10;
            }
            if (digit < 0 || digit >= base) {
                return false;
            }
            value = value * base + digit;
            if (value > 0xFFFFFFFFull) {
                return false;
            }
        }
        out = value <= 0xFFFF && text.size() <= 6 ? static_cast<std::int16_t>(value)
                                                  : static_cast<std::int32_t>(value);
        return true;
    }
    // [+-] digits [. digits] [(e|d) [+-] digits], at least one mantissa digit.
    std::string copy;
    std::size_t i = 0;
    if (text[i] == '+' || text[i] == '-') {
        copy += text[i++];
    }
    bool digits = false;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
        copy += text[i++];
        digits = true;
    }
    if (i < text.size() && text[i] == '.') {
        copy += text[i++];
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
            copy += text[i++];
            digits = true;
        }
    }
    if (!digits) {
        return false;
    }
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E' || text[i] == 'd' || text[i] == 'D')) {
        copy += 'e';
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
            copy += text[i++];
        }
        bool expDigits = false;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
            copy += text[i++];
            expDigits = true;
        }
        if (!expDigits) {
            return false;
        }
    }
    if (i != text.size()) {
        return false;
    }
    out = std::strtod(copy.c_str(), nullptr);
    return std::isfinite(out);
}

std::string Variant::FormatDouble(double value) {
    if (value == 0) {
        return "0";
    }
    if (std::fabs(value) < 1e15 && value == std::floor(value)) {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%.0f", value);
        return buffer;
    }
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.15G", value);
    return buffer;
}

bool Variant::ToBool() const {
    switch (type_) {
    case VarType::Empty:
        return false;
    case VarType::Null:
        throw ScriptException(kInvalidUseOfNull);
    case VarType::Boolean:
    case VarType::Byte:
    case VarType::Integer:
    case VarType::Long:
        return integer_ != 0;
    case VarType::Single:
    case VarType::Double:
    case VarType::Currency:
    case VarType::Date:
        return real_ != 0;
    case VarType::String: {
        if (text::EqualsIgnoringCase(string_, "True")) {
            return true;
        }
        if (text::EqualsIgnoringCase(string_, "False")) {
            return false;
        }
        double number = 0;
        if (ParseNumber(string_, number)) {
            return number != 0;
        }
        throw ScriptException(err::kTypeMismatch);
    }
    case VarType::Object:
        return DefaultValue().ToBool();
    default:
        throw ScriptException(err::kTypeMismatch);
    }
}

double Variant::ToDouble() const {
    switch (type_) {
    case VarType::Empty:
        return 0;
    case VarType::Null:
        throw ScriptException(kInvalidUseOfNull);
    case VarType::Boolean:
    case VarType::Byte:
    case VarType::Integer:
    case VarType::Long:
        return static_cast<double>(integer_);
    case VarType::Single:
    case VarType::Double:
    case VarType::Currency:
    case VarType::Date:
        return real_;
    case VarType::String: {
        double number = 0;
        if (ParseNumber(string_, number)) {
            return number;
        }
        throw ScriptException(err::kTypeMismatch);
    }
    case VarType::Object:
        return DefaultValue().ToDouble();
    default:
        throw ScriptException(err::kTypeMismatch);
    }
}

std::int32_t Variant::RoundedLong() const {
    const double rounded = RoundHalfEven(ToDouble());
    if (!(rounded >= -2147483648.0 && rounded <= 2147483647.0)) {
        throw ScriptException(err::kOverflow);
    }
    return static_cast<std::int32_t>(rounded);
}

int Variant::ToInteger() const {
    const double rounded = RoundHalfEven(ToDouble());
    if (!(rounded >= -32768.0 && rounded <= 32767.0)) {
        throw ScriptException(err::kOverflow);
    }
    return static_cast<int>(rounded);
}

double Variant::ToDate() const {
    if (type_ == VarType::Object) {
        return DefaultValue().ToDate();
    }
    if (type_ == VarType::String) {
        const datetime::OleDate date = datetime::OleDate::Parse(string_);
        if (date.IsValid()) {
            return date.Value();
        }
        double number = 0;
        if (ParseNumber(string_, number)) {
            return number;
        }
        throw ScriptException(err::kTypeMismatch);
    }
    return ToDouble();
}

Variant Variant::DefaultValue() const {
    constexpr int kMaxHops = 16; // a default member giving objects without end
    Variant value = *this;
    for (int hop = 0; hop < kMaxHops && value.type_ == VarType::Object; ++hop) {
        if (!value.object_) {
            throw ScriptException(err::kTypeMismatch);
        }
        const std::shared_ptr<Object> object = value.object_;
        std::vector<Variant> none;
        value = object->Invoke("", InvokeKind::PropertyGet, none);
    }
    if (value.type_ == VarType::Object) {
        throw ScriptException(err::kTypeMismatch);
    }
    return value;
}

std::string Variant::ToString() const {
    switch (type_) {
    case VarType::Empty:
        return "";
    case VarType::Null:
        throw ScriptException(kInvalidUseOfNull);
    case VarType::Boolean:
        return integer_ ? "True" : "False";
    case VarType::Byte:
    case VarType::Integer:
    case VarType::Long:
        return std::to_string(integer_);
    case VarType::Single: {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%.7G", real_);
        return buffer;
    }
    case VarType::Double:
    case VarType::Currency:
        return FormatDouble(real_);
    case VarType::Date:
        return FormatDateText(real_, 0); // the general date form of the one locale
    case VarType::String:
        return string_;
    case VarType::Object:
        return DefaultValue().ToString();
    default:
        throw ScriptException(err::kTypeMismatch);
    }
}

ArrayData& Variant::MutableArray() {
    if (array_.use_count() > 1) {
        array_ = std::make_shared<ArrayData>(*array_);
    }
    return *array_;
}

// ---- arrays ----

std::shared_ptr<ArrayData> ArrayData::Make(const std::vector<std::int32_t>& upper) {
    std::size_t count = 1;
    for (const std::int32_t bound : upper) {
        if (bound < -1) {
            throw ScriptException(err::kSubscript);
        }
        const std::size_t extent = static_cast<std::size_t>(bound) + 1;
        if (extent != 0 && count > kMaxItems / extent) {
            throw ScriptException(err::kOutOfMemory);
        }
        count *= extent;
    }
    if (count > kMaxItems) {
        throw ScriptException(err::kOutOfMemory);
    }
    auto array = std::make_shared<ArrayData>();
    array->upper = upper;
    array->items.resize(count);
    return array;
}

std::size_t ArrayData::Offset(const std::vector<std::int32_t>& subscripts) const {
    if (upper.empty() || subscripts.size() != upper.size()) {
        throw ScriptException(err::kSubscript); // also an array never sized (Dim a())
    }
    std::size_t offset = 0;
    std::size_t stride = 1;
    for (std::size_t i = 0; i < upper.size(); ++i) {
        if (subscripts[i] < 0 || subscripts[i] > upper[i]) {
            throw ScriptException(err::kSubscript);
        }
        offset += static_cast<std::size_t>(subscripts[i]) * stride;
        stride *= static_cast<std::size_t>(upper[i]) + 1;
    }
    return offset;
}

// ---- operators ----

double RoundHalfEven(double value) {
    return std::nearbyint(value); // the default rounding mode rounds half to even
}

Variant Add(const Variant& a, const Variant& b) {
    if (IsShortInteger(a.Type()) && IsShortInteger(b.Type())) {
        return Arithmetic(a, b, ArithOp::Add);
    }
    if (a.IsNull() || b.IsNull()) {
        return Variant::Null();
    }
    const bool aText = a.IsString() || a.IsEmpty();
    const bool bText = b.IsString() || b.IsEmpty();
    if (aText && bText && (a.IsString() || b.IsString())) {
        return Concat(a, b);
    }
    return Arithmetic(a, b, ArithOp::Add);
}

Variant Subtract(const Variant& a, const Variant& b) {
    return Arithmetic(a, b, ArithOp::Subtract);
}

Variant Multiply(const Variant& a, const Variant& b) {
    return Arithmetic(a, b, ArithOp::Multiply);
}

Variant Divide(const Variant& a, const Variant& b) {
    if (a.IsNull() || b.IsNull()) {
        return Variant::Null();
    }
    const double x = a.ToDouble();
    const double y = b.ToDouble();
    if (y == 0) {
        throw ScriptException(x == 0 ? err::kOverflow : err::kDivisionByZero);
    }
    const double r = x / y;
    CheckFinite(r);
    return Variant::Double(r);
}

Variant IntDivide(const Variant& a, const Variant& b) {
    if (a.IsNull() || b.IsNull()) {
        return Variant::Null();
    }
    const std::int64_t x = a.ToLong();
    const std::int64_t y = b.ToLong();
    if (y == 0) {
        throw ScriptException(err::kDivisionByZero);
    }
    const int rank = std::max(Rank(a.Type()), Rank(b.Type())) <= 2 ? 2 : 3;
    return IntegralResult(x / y, rank);
}

Variant Modulo(const Variant& a, const Variant& b) {
    if (a.IsNull() || b.IsNull()) {
        return Variant::Null();
    }
    const std::int64_t x = a.ToLong();
    const std::int64_t y = b.ToLong();
    if (y == 0) {
        throw ScriptException(err::kDivisionByZero);
    }
    const int rank = std::max(Rank(a.Type()), Rank(b.Type())) <= 2 ? 2 : 3;
    return IntegralResult(x % y, rank);
}

Variant Power(const Variant& a, const Variant& b) {
    if (a.IsNull() || b.IsNull()) {
        return Variant::Null();
    }
    const double x = a.ToDouble();
    const double y = b.ToDouble();
    if (x < 0 && y != std::floor(y)) {
        throw ScriptException(err::kInvalidCall);
    }
    const double r = std::pow(x, y);
    CheckFinite(r);
    return Variant::Double(r);
}

Variant Negate(const Variant& a) {
    switch (a.Type()) {
    case VarType::Null:
        return a;
    case VarType::Empty:
        return Variant::Integer(0);
    case VarType::Boolean:
    case VarType::Byte:
    case VarType::Integer:
    case VarType::Long:
        return IntegralResult(-static_cast<std::int64_t>(a.ToLong()), 2);
    case VarType::Single:
        return Variant::Single(-a.ToDouble());
    case VarType::Currency:
        return Variant::Currency(-a.ToDouble());
    case VarType::Date:
        return Variant::Date(-a.ToDouble());
    default:
        return Variant::Double(-a.ToDouble());
    }
}

Variant Concat(const Variant& a, const Variant& b) {
    if (a.IsNull() && b.IsNull()) {
        return Variant::Null();
    }
    Variant result = Variant::String(a.IsNull() ? std::string() : a.ToString());
    if (b.IsString()) {
        result.AppendText(b.StringValue());
    } else if (!b.IsNull()) {
        result.AppendText(b.ToString());
    }
    return result;
}

void Variant::AppendText(std::string_view text) {
    if (string_.size() + text.size() > kMaxStringLength) {
        throw ScriptException(err::kOutOfMemory);
    }
    string_.append(text);
}

Variant Not(const Variant& a) {
    if (a.IsNull()) {
        return a;
    }
    if (a.Type() == VarType::Boolean) {
        return Variant::Boolean(!a.ToBool());
    }
    bool narrow = true;
    const std::int32_t x = LogicalOperand(a, narrow);
    return narrow ? Variant::Integer(static_cast<std::int16_t>(~x)) : Variant::Long(~x);
}

Variant And(const Variant& a, const Variant& b) {
    if (a.IsNull() || b.IsNull()) {
        const Variant& other = a.IsNull() ? b : a;
        return IsZero(other) ? Logical(other, other, [](auto, auto) { return 0; })
                             : Variant::Null();
    }
    return Logical(a, b, [](std::int32_t x, std::int32_t y) { return x & y; });
}

Variant Or(const Variant& a, const Variant& b) {
    if (a.IsNull() || b.IsNull()) {
        const Variant& other = a.IsNull() ? b : a;
        return IsAllOnes(other) ? Logical(other, other, [](auto, auto) { return -1; })
                                : Variant::Null();
    }
    return Logical(a, b, [](std::int32_t x, std::int32_t y) { return x | y; });
}

Variant Xor(const Variant& a, const Variant& b) {
    if (a.IsNull() || b.IsNull()) {
        return Variant::Null();
    }
    return Logical(a, b, [](std::int32_t x, std::int32_t y) { return x ^ y; });
}

Variant Eqv(const Variant& a, const Variant& b) {
    if (a.IsNull() || b.IsNull()) {
        return Variant::Null();
    }
    return Logical(a, b, [](std::int32_t x, std::int32_t y) { return ~(x ^ y); });
}

Variant Imp(const Variant& a, const Variant& b) {
    if (a.IsNull() && b.IsNull()) {
        return Variant::Null();
    }
    if (a.IsNull()) {
        return IsAllOnes(b) ? b : Variant::Null();
    }
    if (b.IsNull()) {
        return IsZero(a) ? Logical(a, a, [](auto, auto) { return -1; }) : Variant::Null();
    }
    return Logical(a, b, [](std::int32_t x, std::int32_t y) { return ~x | y; });
}

int CompareText(std::string_view a, std::string_view b, CompareMode mode) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if (mode == CompareMode::Text) {
            x = static_cast<unsigned char>(text::AsciiLower(static_cast<char>(x)));
            y = static_cast<unsigned char>(text::AsciiLower(static_cast<char>(y)));
        }
        if (x != y) {
            return x < y ? -1 : 1;
        }
    }
    return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

int Compare(const Variant& a, const Variant& b, CompareMode mode, bool aLiteral, bool bLiteral) {
    if (a.IsNull() || b.IsNull()) {
        return 2;
    }
    if (a.IsObject() || b.IsObject() || a.IsArray() || b.IsArray()) {
        throw ScriptException(err::kTypeMismatch);
    }
    const bool aText = a.IsString();
    const bool bText = b.IsString();
    if (aText && bText) {
        return CompareText(a.StringValue(), b.StringValue(), mode);
    }
    if (aText || bText) {
        const Variant& other = aText ? b : a;
        const std::string& textValue = aText ? a.StringValue() : b.StringValue();
        if (other.IsEmpty()) {
            return aText ? CompareText(textValue, "", mode) : CompareText("", textValue, mode);
        }
        double number = 0;
        const bool otherLiteral = aText ? bLiteral : aLiteral;
        if (otherLiteral && Variant::ParseNumber(textValue, number)) {
            const int s = Sign(number - other.ToDouble());
            return aText ? s : -s;
        }
        return aText ? 1 : -1; // a number is smaller than any text
    }
    return Sign(a.ToDouble() - b.ToDouble());
}

} // namespace ob::vbscript
