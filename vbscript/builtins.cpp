#include "vbscript/builtins.h"

#include "vbscript/ansi_code_page.h"
#include "vbscript/builtin_args.h"
#include "vbscript/builtin_dates.h"
#include "vbscript/builtin_environment.h"
#include "vbscript/builtin_escape.h"
#include "vbscript/builtin_format.h"
#include "vbscript/class_registry.h"
#include "vbscript/interpreter.h"
#include "vbscript/letter_case.h"
#include "vbscript/object.h"
#include "vbscript/text_search.h"
#include "vbscript/utf8_text.h"

#include "platform/text/ascii_case.h"
#include "platform/time/clock.h"
#include "platform/time/ole_date.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <random>

namespace ob::vbscript {

namespace {

using builtin::Args;
using builtin::Given;
using builtin::InvalidCall;
using builtin::Parts;

bool AnyNull(const Args& a, std::size_t count) {
    for (std::size_t i = 0; i < count && i < a.size(); ++i) {
        if (a[i].IsNull()) {
            return true;
        }
    }
    return false;
}

std::int32_t NonNegative(const Variant& v) {
    const std::int32_t n = v.ToLong();
    if (n < 0) {
        throw InvalidCall();
    }
    return n;
}

CompareMode Mode(const Args& a, std::size_t i) {
    if (!Given(a, i)) {
        return CompareMode::Binary;
    }
    const std::int32_t m = a[i].ToLong();
    if (m != 0 && m != 1) {
        throw InvalidCall();
    }
    return m == 1 ? CompareMode::Text : CompareMode::Binary;
}

// Byte offset of the first match of `what` at or after byte `from`, or npos.
std::size_t Find(std::string_view text, std::string_view what, std::size_t from, CompareMode mode) {
    return FindText(text, what, from, mode).begin;
}

// Character positions: a text that is all ASCII counts its bytes directly.
std::size_t CharCount(std::string_view text) {
    return utf8::IsAscii(text) ? text.size() : utf8::Length(text);
}

std::size_t ByteOffsetOf(std::string_view text, std::size_t charIndex) {
    return utf8::IsAscii(text) ? std::min(charIndex, text.size())
                               : utf8::ByteOffset(text, charIndex);
}

std::size_t CharIndexOf(std::string_view text, std::size_t byteOffset) {
    return utf8::IsAscii(text.substr(0, byteOffset)) ? byteOffset
                                                     : utf8::CharIndex(text, byteOffset);
}

std::int32_t Position(std::size_t charIndex) {
    return static_cast<std::int32_t>(charIndex) + 1;
}

Variant MakeStringArray(std::vector<std::string> parts) {
    auto array = ArrayData::Make({static_cast<std::int32_t>(parts.size()) - 1});
    for (std::size_t i = 0; i < parts.size(); ++i) {
        array->items[i] = Variant::String(std::move(parts[i]));
    }
    return Variant::FromArray(std::move(array));
}

// ---- strings ----

Variant Len(Interpreter&, Args& a) {
    if (a[0].IsNull()) {
        return Variant::Null();
    }
    return Variant::Long(static_cast<std::int32_t>(CharCount(a[0].ToString())));
}

Variant Left(Interpreter&, Args& a) {
    const std::int32_t n = NonNegative(a[1]);
    if (a[0].IsNull()) {
        return Variant::Null();
    }
    const std::string s = a[0].ToString();
    return Variant::String(s.substr(0, ByteOffsetOf(s, static_cast<std::size_t>(n))));
}

Variant Right(Interpreter&, Args& a) {
    const std::int32_t n = NonNegative(a[1]);
    if (a[0].IsNull()) {
        return Variant::Null();
    }
    const std::string s = a[0].ToString();
    const std::size_t length = CharCount(s);
    const std::size_t count = std::min(length, static_cast<std::size_t>(n));
    return Variant::String(s.substr(ByteOffsetOf(s, length - count)));
}

Variant Mid(Interpreter&, Args& a) {
    const std::int32_t start = a[1].ToLong();
    if (start < 1) {
        throw InvalidCall();
    }
    const std::size_t length =
        Given(a, 2) ? static_cast<std::size_t>(NonNegative(a[2])) : std::string::npos;
    if (a[0].IsNull()) {
        return Variant::Null();
    }
    const std::string s = a[0].ToString();
    const std::size_t from = static_cast<std::size_t>(start) - 1;
    if (utf8::IsAscii(s)) {
        return Variant::String(from >= s.size() ? std::string() : s.substr(from, length));
    }
    return Variant::String(std::string(utf8::Substr(s, from, length)));
}

Variant InStr(Interpreter&, Args& a) {
    // InStr([start, ]string1, string2[, compare])
    std::size_t first = 0;
    std::int32_t start = 1;
    if (a.size() >= 3) {
        if (a[0].IsNull()) {
            throw ScriptException(94);
        }
        start = a[0].ToLong();
        if (start < 1) {
            throw InvalidCall();
        }
        first = 1;
    }
    if (a.size() < first + 2) {
        throw ScriptException(err::kWrongArguments);
    }
    const Variant& hay = a[first];
    const Variant& needle = a[first + 1];
    if (hay.IsNull() || needle.IsNull()) {
        return Variant::Null();
    }
    const std::string h = hay.ToString();
    const std::string n = needle.ToString();
    const CompareMode mode = Mode(a, first + 2);
    if (static_cast<std::size_t>(start) > CharCount(h)) {
        return Variant::Long(0);
    }
    if (n.empty()) {
        return Variant::Long(start);
    }
    const std::size_t at = Find(h, n, ByteOffsetOf(h, static_cast<std::size_t>(start) - 1), mode);
    return Variant::Long(at == std::string::npos ? 0 : Position(CharIndexOf(h, at)));
}

Variant InStrRev(Interpreter&, Args& a) {
    if (a[0].IsNull() || a[1].IsNull()) {
        return Variant::Null();
    }
    const std::string h = a[0].ToString();
    const std::string n = a[1].ToString();
    std::int32_t start = Given(a, 2) ? a[2].ToLong() : -1;
    if (start == 0 || start < -1) {
        throw InvalidCall();
    }
    const std::size_t length = CharCount(h);
    if (start == -1) {
        start = static_cast<std::int32_t>(length);
    }
    if (static_cast<std::size_t>(start) > length) {
        return Variant::Long(0);
    }
    if (n.empty()) {
        return Variant::Long(start);
    }
    const TextMatch match =
        FindLastText(h, n, ByteOffsetOf(h, static_cast<std::size_t>(start)), Mode(a, 3));
    return Variant::Long(match.Found() ? Position(CharIndexOf(h, match.begin)) : 0);
}

Variant Replace(Interpreter&, Args& a) {
    if (AnyNull(a, 3)) {
        return Variant::Null();
    }
    const std::string s = a[0].ToString();
    const std::string find = a[1].ToString();
    const std::string with = a[2].ToString();
    const std::int32_t start = Given(a, 3) ? a[3].ToLong() : 1;
    const std::int32_t count = Given(a, 4) ? a[4].ToLong() : -1;
    if (start < 1 || count < -1) {
        throw InvalidCall();
    }
    const CompareMode mode = Mode(a, 5);
    if (static_cast<std::size_t>(start) > CharCount(s)) {
        return Variant::String("");
    }
    // The result starts at `start`, as the language's Replace does.
    const std::string_view rest =
        std::string_view(s).substr(ByteOffsetOf(s, static_cast<std::size_t>(start) - 1));
    if (find.empty() || count == 0) {
        return Variant::String(std::string(rest));
    }
    std::string out;
    std::size_t pos = 0;
    std::int32_t done = 0;
    while (count == -1 || done < count) {
        const TextMatch match = FindText(rest, find, pos, mode);
        if (!match.Found()) {
            break;
        }
        out.append(rest.substr(pos, match.begin - pos));
        out.append(with);
        if (out.size() > kMaxStringLength) {
            throw ScriptException(err::kOutOfMemory);
        }
        pos = match.end;
        ++done;
    }
    out.append(rest.substr(pos));
    return Variant::String(std::move(out));
}

Variant Split(Interpreter&, Args& a) {
    if (a[0].IsNull()) {
        return Variant::Null();
    }
    const std::string s = a[0].ToString();
    const std::string delimiter = Given(a, 1) ? a[1].ToString() : " ";
    const std::int32_t limit = Given(a, 2) ? a[2].ToLong() : -1;
    if (limit < -1) {
        throw InvalidCall();
    }
    const CompareMode mode = Mode(a, 3);
    std::vector<std::string> parts;
    if (s.empty() || limit == 0) {
        return MakeStringArray(std::move(parts));
    }
    if (delimiter.empty()) {
        parts.push_back(s);
        return MakeStringArray(std::move(parts));
    }
    std::size_t pos = 0;
    while (limit == -1 || static_cast<std::int32_t>(parts.size()) < limit - 1) {
        const TextMatch match = FindText(s, delimiter, pos, mode);
        if (!match.Found()) {
            break;
        }
        parts.push_back(s.substr(pos, match.begin - pos));
        pos = match.end;
    }
    parts.push_back(s.substr(pos));
    return MakeStringArray(std::move(parts));
}

Variant Join(Interpreter&, Args& a) {
    if (!a[0].IsArray() || a[0].ArrayValue()->upper.size() != 1) {
        throw ScriptException(err::kTypeMismatch);
    }
    const std::string delimiter = Given(a, 1) ? a[1].ToString() : " ";
    std::string out;
    bool first = true;
    for (const auto& item : a[0].ArrayValue()->items) {
        if (!first) {
            out += delimiter;
        }
        first = false;
        out += item.IsNull() ? std::string() : item.ToString();
        if (out.size() > kMaxStringLength) {
            throw ScriptException(err::kOutOfMemory);
        }
    }
    return Variant::String(std::move(out));
}

template <std::string (*Fold)(std::string_view)> Variant FoldCase(Interpreter&, Args& a) {
    if (a[0].IsNull()) {
        return Variant::Null();
    }
    return Variant::String(Fold(a[0].ToString()));
}

template <bool kLeft, bool kRight> Variant TrimSpaces(Interpreter&, Args& a) {
    if (a[0].IsNull()) {
        return Variant::Null();
    }
    const std::string s = a[0].ToString();
    std::size_t begin = 0;
    std::size_t end = s.size();
    while (kLeft && begin < end && s[begin] == ' ') {
        ++begin;
    }
    while (kRight && end > begin && s[end - 1] == ' ') {
        --end;
    }
    return Variant::String(s.substr(begin, end - begin));
}

Variant Space(Interpreter&, Args& a) {
    const std::int32_t n = NonNegative(a[0]);
    if (static_cast<std::size_t>(n) > kMaxStringLength) {
        throw ScriptException(err::kOutOfMemory);
    }
    return Variant::String(std::string(static_cast<std::size_t>(n), ' '));
}

// The character of a code as Chr takes it: the ANSI (Windows-1252) code page.
std::string AnsiCharacter(std::int32_t code) {
    if (code < 0 || code > 255) {
        throw InvalidCall();
    }
    std::string out;
    utf8::Append(out, AnsiToUnicode(static_cast<unsigned char>(code)));
    return out;
}

// The first character of a text (Invalid procedure call for an empty one).
char32_t FirstCharacter(const std::string& s) {
    if (s.empty()) {
        throw InvalidCall();
    }
    std::size_t pos = 0;
    return utf8::Next(s, pos);
}

Variant StringOf(Interpreter&, Args& a) {
    const std::int32_t n = NonNegative(a[0]);
    if (a[1].IsNull()) {
        return Variant::Null();
    }
    std::string unit;
    if (a[1].IsString()) {
        const std::string s = a[1].ToString();
        unit = std::string(utf8::Substr(s, 0, 1));
        if (unit.empty()) {
            throw InvalidCall();
        }
    } else {
        // Codes above 255 wrap around, as the language's String does.
        unit = AnsiCharacter(a[1].ToLong() & 0xFF);
    }
    if (static_cast<std::size_t>(n) * unit.size() > kMaxStringLength) {
        throw ScriptException(err::kOutOfMemory);
    }
    if (unit.size() == 1) {
        return Variant::String(std::string(static_cast<std::size_t>(n), unit[0]));
    }
    std::string out;
    out.reserve(static_cast<std::size_t>(n) * unit.size());
    for (std::int32_t i = 0; i < n; ++i) {
        out += unit;
    }
    return Variant::String(std::move(out));
}

Variant StrReverse(Interpreter&, Args& a) {
    if (a[0].IsNull()) {
        throw ScriptException(94);
    }
    const std::string s = a[0].ToString();
    if (utf8::IsAscii(s)) {
        return Variant::String(std::string(s.rbegin(), s.rend()));
    }
    std::u32string characters = utf8::Decode(s);
    std::reverse(characters.begin(), characters.end());
    return Variant::String(utf8::Encode(characters));
}

Variant StrComp(Interpreter&, Args& a) {
    if (a[0].IsNull() || a[1].IsNull()) {
        return Variant::Null();
    }
    return Variant::Integer(CompareTexts(a[0].ToString(), a[1].ToString(), Mode(a, 2)));
}

Variant Chr(Interpreter&, Args& a) {
    return Variant::String(AnsiCharacter(a[0].ToLong()));
}

// ChrW(code): a Unicode character; -32768..-1 stand for 32768..65535 (the
// language's Integer view of a UTF-16 unit).
Variant ChrW(Interpreter&, Args& a) {
    std::int32_t code = a[0].ToLong();
    if (code < -32768 || code > 65535) {
        throw InvalidCall();
    }
    if (code < 0) {
        code += 65536;
    }
    std::string out;
    utf8::Append(out, static_cast<char32_t>(code));
    return Variant::String(std::move(out));
}

// ChrB(code): one byte.
Variant ChrB(Interpreter&, Args& a) {
    const std::int32_t code = a[0].ToLong();
    if (code < 0 || code > 255) {
        throw InvalidCall();
    }
    return Variant::String(std::string(1, static_cast<char>(code)));
}

// Asc: the ANSI code of the first character, 63 ("?") when the code page lacks it.
// A byte that is not valid UTF-8 gives its own value.
Variant Asc(Interpreter&, Args& a) {
    const char32_t c = FirstCharacter(a[0].ToString());
    if (c >= 0xDC80 && c <= 0xDCFF) {
        return Variant::Integer(static_cast<int>(c - 0xDC00));
    }
    return Variant::Integer(UnicodeToAnsi(c));
}

// AscW: the UTF-16 unit of the first character as a signed Integer (the high
// surrogate for a character above U+FFFF).
Variant AscW(Interpreter&, Args& a) {
    char32_t c = FirstCharacter(a[0].ToString());
    if (c > 0xFFFF) {
        c = 0xD800 + ((c - 0x10000) >> 10);
    }
    return Variant::Integer(c >= 0x8000 ? static_cast<int>(c) - 65536 : static_cast<int>(c));
}

// AscB: the first byte.
Variant AscB(Interpreter&, Args& a) {
    const std::string s = a[0].ToString();
    if (s.empty()) {
        throw InvalidCall();
    }
    return Variant::Integer(static_cast<unsigned char>(s[0]));
}

Variant Hex(Interpreter&, Args& a) {
    if (a[0].IsNull()) {
        return Variant::Null();
    }
    char buffer[16];
    if (a[0].Type() == VarType::Integer || a[0].Type() == VarType::Byte ||
        a[0].Type() == VarType::Boolean) {
        std::snprintf(buffer, sizeof buffer, "%X", static_cast<unsigned>(a[0].ToLong()) & 0xFFFFu);
    } else {
        std::snprintf(buffer, sizeof buffer, "%X", static_cast<std::uint32_t>(a[0].ToLong()));
    }
    return Variant::String(buffer);
}

Variant Oct(Interpreter&, Args& a) {
    if (a[0].IsNull()) {
        return Variant::Null();
    }
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%o", static_cast<std::uint32_t>(a[0].ToLong()));
    return Variant::String(buffer);
}

// ---- conversion and type information ----

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

// ---- math ----

// Keeps the numeric type of the argument for results that stay integral.
Variant SameType(const Variant& like, double value) {
    switch (like.Type()) {
    case VarType::Integer:
    case VarType::Boolean:
    case VarType::Empty:
        return Variant::Integer(static_cast<int>(value));
    case VarType::Byte:
        return Variant::Byte(static_cast<int>(value));
    case VarType::Long:
        return Variant::Long(static_cast<std::int32_t>(value));
    case VarType::Single:
        return Variant::Single(value);
    case VarType::Currency:
        return Variant::Currency(value);
    case VarType::Date:
        return Variant::Date(value);
    default:
        return Variant::Double(value);
    }
}

Variant Abs(Interpreter&, Args& a) {
    if (a[0].IsNull()) {
        return Variant::Null();
    }
    const double v = std::fabs(a[0].ToDouble());
    if (a[0].Type() == VarType::Integer && v > 32767) {
        return Variant::Long(32768);
    }
    if (a[0].Type() == VarType::Long && v > 2147483647.0) {
        return Variant::Double(v);
    }
    return SameType(a[0], v);
}
Variant Int(Interpreter&, Args& a) {
    if (a[0].IsNull()) {
        return Variant::Null();
    }
    return SameType(a[0], std::floor(a[0].ToDouble()));
}
Variant Fix(Interpreter&, Args& a) {
    if (a[0].IsNull()) {
        return Variant::Null();
    }
    return SameType(a[0], std::trunc(a[0].ToDouble()));
}
Variant Sgn(Interpreter&, Args& a) {
    const double v = a[0].ToDouble();
    return Variant::Integer(v < 0 ? -1 : v > 0 ? 1 : 0);
}
Variant Sqr(Interpreter&, Args& a) {
    const double v = a[0].ToDouble();
    if (v < 0) {
        throw InvalidCall();
    }
    return Variant::Double(std::sqrt(v));
}
Variant Round(Interpreter&, Args& a) {
    if (a[0].IsNull()) {
        return Variant::Null();
    }
    const std::int32_t digits = Given(a, 1) ? a[1].ToLong() : 0;
    if (digits < 0 || digits > 15) {
        throw InvalidCall();
    }
    const double scale = std::pow(10.0, digits);
    const double value = RoundHalfEven(a[0].ToDouble() * scale) / scale;
    return a[0].IsString() ? Variant::Double(value) : SameType(a[0], value);
}

std::mt19937& Random() {
    thread_local std::mt19937 engine{12345u};
    return engine;
}
thread_local double tLastRandom = 0;

Variant Rnd(Interpreter&, Args& a) {
    if (Given(a, 0) && a[0].ToDouble() == 0) {
        return Variant::Single(tLastRandom);
    }
    if (Given(a, 0) && a[0].ToDouble() < 0) {
        Random().seed(static_cast<std::uint32_t>(a[0].ToDouble() * -1000.0));
    }
    tLastRandom = std::uniform_real_distribution<float>(0.0f, 1.0f)(Random());
    return Variant::Single(tLastRandom);
}
Variant Randomize(Interpreter&, Args& a) {
    const auto seed = Given(a, 0)
                          ? static_cast<std::uint32_t>(a[0].ToDouble())
                          : static_cast<std::uint32_t>(
                                std::chrono::steady_clock::now().time_since_epoch().count());
    Random().seed(seed);
    return {};
}

// ---- dates ----

Variant Now(Interpreter&, Args&) {
    return Variant::Date(datetime::OleDate::Now().Value());
}
Variant Today(Interpreter&, Args&) {
    return Variant::Date(std::floor(datetime::OleDate::Now().Value()));
}
Variant TimeOfDay(Interpreter&, Args&) {
    const double now = datetime::OleDate::Now().Value();
    return Variant::Date(now - std::floor(now));
}
Variant Timer(Interpreter&, Args&) {
    const auto now = clock::Now();
    const std::time_t t = std::chrono::system_clock::to_time_t(now);
    std::tm tm{};
    localtime_r(&t, &tm);
    const double fraction =
        std::chrono::duration<double>(now - std::chrono::system_clock::from_time_t(t)).count();
    return Variant::Single(tm.tm_hour * 3600.0 + tm.tm_min * 60.0 + tm.tm_sec + fraction);
}

template <int datetime::DateParts::*Field> Variant DatePart(Interpreter&, Args& a) {
    if (a[0].IsNull()) {
        return Variant::Null();
    }
    return Variant::Integer(Parts(a[0]).*Field);
}

Variant Weekday(Interpreter&, Args& a) {
    if (a[0].IsNull()) {
        return Variant::Null();
    }
    const std::int32_t first = Given(a, 1) ? a[1].ToLong() : 1;
    if (first < 0 || first > 7) {
        throw InvalidCall();
    }
    const int sundayBased = Parts(a[0]).dayOfWeek; // 0 = Sunday
    const int start = first == 0 ? 0 : first - 1;
    return Variant::Integer((sundayBased - start + 7) % 7 + 1);
}

Variant DateSerial(Interpreter&, Args& a) {
    std::int64_t year = a[0].ToInteger();
    if (year >= 0 && year < 30) {
        year += 2000;
    } else if (year >= 30 && year < 100) {
        year += 1900;
    }
    const std::int64_t month0 = year * 12 + (a[1].ToInteger() - 1);
    const std::int64_t y = month0 >= 0 ? month0 / 12 : (month0 - 11) / 12;
    const int m = static_cast<int>(month0 - y * 12) + 1;
    const datetime::OleDate first = datetime::OleDate::FromParts(static_cast<int>(y), m, 1);
    if (!first.IsValid()) {
        throw InvalidCall();
    }
    return Variant::Date(first.Value() + (a[2].ToInteger() - 1));
}

Variant TimeSerial(Interpreter&, Args& a) {
    const double seconds = a[0].ToInteger() * 3600.0 + a[1].ToInteger() * 60.0 + a[2].ToInteger();
    return Variant::Date(seconds / 86400.0);
}

const char* const kMonthNames[] = {"January",   "February", "March",    "April",
                                   "May",       "June",     "July",     "August",
                                   "September", "October",  "November", "December"};
const char* const kDayNames[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                 "Thursday", "Friday", "Saturday"};

Variant MonthName(Interpreter&, Args& a) {
    const std::int32_t month = a[0].ToLong();
    if (month < 1 || month > 12) {
        throw InvalidCall();
    }
    const std::string name = kMonthNames[month - 1];
    return Variant::String(Given(a, 1) && a[1].ToBool() ? name.substr(0, 3) : name);
}

Variant WeekdayName(Interpreter&, Args& a) {
    const std::int32_t day = a[0].ToLong();
    const std::int32_t first = Given(a, 2) ? a[2].ToLong() : 1;
    if (day < 1 || day > 7 || first < 0 || first > 7) {
        throw InvalidCall();
    }
    const int start = first == 0 ? 0 : first - 1;
    const std::string name = kDayNames[(day - 1 + start) % 7];
    return Variant::String(Given(a, 1) && a[1].ToBool() ? name.substr(0, 3) : name);
}

// ---- more math ----

template <double (*Fn)(double)> Variant Math(Interpreter&, Args& a) {
    if (a[0].IsNull()) {
        return Variant::Null();
    }
    const double r = Fn(a[0].ToDouble());
    if (!std::isfinite(r)) {
        throw ScriptException(err::kOverflow);
    }
    return Variant::Double(r);
}

double Log(double x) {
    if (x <= 0) {
        throw ScriptException(err::kInvalidCall);
    }
    return std::log(x);
}
double Atn(double x) {
    return std::atan(x);
}
double Cos(double x) {
    return std::cos(x);
}
double Sin(double x) {
    return std::sin(x);
}
double Tan(double x) {
    return std::tan(x);
}
double Exp(double x) {
    return std::exp(x);
}

Variant Filter(Interpreter&, Args& a) {
    if (!a[0].IsArray() || a[0].ArrayValue()->upper.size() != 1) {
        throw ScriptException(err::kTypeMismatch);
    }
    const std::string match = a[1].ToString();
    const bool include = Given(a, 2) ? a[2].ToBool() : true;
    const CompareMode mode = Mode(a, 3);
    std::vector<std::string> kept;
    for (const auto& item : a[0].ArrayValue()->items) {
        const std::string s = item.IsNull() ? std::string() : item.ToString();
        if ((Find(s, match, 0, mode) != std::string::npos) == include) {
            kept.push_back(s);
        }
    }
    return MakeStringArray(std::move(kept));
}

// ---- interaction and the script itself ----

Variant MsgBox(Interpreter& in, Args& a) {
    if (!in.AllowUI()) {
        throw ScriptException(err::kPermissionDenied);
    }
    if (std::ostream* out = in.Output()) {
        *out << (a[0].IsNull() ? std::string("Null") : a[0].ToString()) << '\n';
        out->flush();
    }
    return Variant::Integer(1); // vbOK: no desktop to ask
}

Variant CreateObject(Interpreter&, Args& a) {
    return Variant::FromObject(CreateObjectByProgId(a[0].ToString()));
}

// A procedure held as a value (GetRef): calling its default member calls it.
class ProcedureRef final : public Object {
public:
    ProcedureRef(Interpreter& in, std::shared_ptr<Procedure> proc)
        : in_(in), proc_(std::move(proc)) {}
    std::string TypeName() const override { return "Object"; }
    Variant Invoke(std::string_view name, InvokeKind kind, Args& args) override {
        if (!name.empty() || kind == InvokeKind::PropertyPut ||
            kind == InvokeKind::PropertyPutRef) {
            throw ScriptException(err::kNoSuchMember);
        }
        return in_.CallWithValues(*proc_, args);
    }

private:
    Interpreter& in_;
    std::shared_ptr<Procedure> proc_;
};

Variant GetRef(Interpreter& in, Args& a) {
    auto proc = in.FindProcedure(a[0].ToString());
    if (!proc) {
        throw InvalidCall();
    }
    return Variant::FromObject(std::make_shared<ProcedureRef>(in, std::move(proc)));
}

Variant Eval(Interpreter& in, Args& a) {
    return in.EvalText(a[0].ToString());
}
Variant Execute(Interpreter& in, Args& a) {
    in.ExecuteText(a[0].ToString(), false);
    return {};
}
Variant ExecuteGlobal(Interpreter& in, Args& a) {
    in.ExecuteText(a[0].ToString(), true);
    return {};
}

constexpr int kMany = 1 << 20;

const Builtin kBuiltins[] = {
    {"Abs", 1, 1, Abs},
    {"Array", 0, kMany, ArrayOf},
    {"Asc", 1, 1, Asc},
    {"Atn", 1, 1, Math<Atn>},
    {"Cos", 1, 1, Math<Cos>},
    {"DateAdd", 3, 3, builtin::DateAdd},
    {"DateDiff", 3, 5, builtin::DateDiff},
    {"DatePart", 2, 4, builtin::DatePart},
    {"DateValue", 1, 1, builtin::DateValue},
    {"Escape", 1, 1, builtin::Escape},
    {"FormatCurrency", 1, 5, builtin::FormatCurrency},
    {"FormatDateTime", 1, 2, builtin::FormatDateTime},
    {"FormatNumber", 1, 5, builtin::FormatNumber},
    {"FormatPercent", 1, 5, builtin::FormatPercent},
    {"GetLocale", 0, 0, builtin::GetLocale},
    {"InputBox", 1, 7, builtin::InputBox},
    {"LoadPicture", 1, 1, builtin::LoadPicture},
    {"RGB", 3, 3, builtin::Rgb},
    {"ScriptEngine", 0, 0, builtin::ScriptEngine},
    {"ScriptEngineBuildVersion", 0, 0, builtin::ScriptEngineBuildVersion},
    {"ScriptEngineMajorVersion", 0, 0, builtin::ScriptEngineMajorVersion},
    {"ScriptEngineMinorVersion", 0, 0, builtin::ScriptEngineMinorVersion},
    {"SetLocale", 1, 1, builtin::SetLocale},
    {"TimeValue", 1, 1, builtin::TimeValue},
    {"Unescape", 1, 1, builtin::Unescape},
    {"Exp", 1, 1, Math<Exp>},
    {"Filter", 2, 4, Filter},
    {"Log", 1, 1, Math<Log>},
    {"MonthName", 1, 2, MonthName},
    {"Sin", 1, 1, Math<Sin>},
    {"Tan", 1, 1, Math<Tan>},
    {"WeekdayName", 1, 3, WeekdayName},
    {"AscB", 1, 1, AscB},
    {"AscW", 1, 1, AscW},
    {"CBool", 1, 1, CBool},
    {"CByte", 1, 1, CByte},
    {"CCur", 1, 1, CCur},
    {"CDate", 1, 1, CDate},
    {"CDbl", 1, 1, CDbl},
    {"Chr", 1, 1, Chr},
    {"ChrB", 1, 1, ChrB},
    {"ChrW", 1, 1, ChrW},
    {"CInt", 1, 1, CInt},
    {"CLng", 1, 1, CLng},
    {"CreateObject", 1, 2, CreateObject},
    {"CSng", 1, 1, CSng},
    {"CStr", 1, 1, CStr},
    {"Date", 0, 0, Today},
    {"DateSerial", 3, 3, DateSerial},
    {"Day", 1, 1, DatePart<&datetime::DateParts::day>},
    {"Eval", 1, 1, Eval},
    {"Execute", 1, 1, Execute},
    {"ExecuteGlobal", 1, 1, ExecuteGlobal},
    {"Fix", 1, 1, Fix},
    {"GetRef", 1, 1, GetRef},
    {"Hex", 1, 1, Hex},
    {"Hour", 1, 1, DatePart<&datetime::DateParts::hour>},
    {"InStr", 2, 4, InStr},
    {"InStrRev", 2, 4, InStrRev},
    {"Int", 1, 1, Int},
    {"IsArray", 1, 1, IsArray},
    {"IsDate", 1, 1, IsDate},
    {"IsEmpty", 1, 1, IsEmpty},
    {"IsNull", 1, 1, IsNull},
    {"IsNumeric", 1, 1, IsNumeric},
    {"IsObject", 1, 1, IsObject},
    {"Join", 1, 2, Join},
    {"LBound", 1, 2, LBound},
    {"LCase", 1, 1, FoldCase<LowerCaseText>},
    {"Left", 2, 2, Left},
    {"Len", 1, 1, Len},
    {"LTrim", 1, 1, TrimSpaces<true, false>},
    {"Mid", 2, 3, Mid},
    {"Minute", 1, 1, DatePart<&datetime::DateParts::minute>},
    {"Month", 1, 1, DatePart<&datetime::DateParts::month>},
    {"MsgBox", 1, 5, MsgBox},
    {"Now", 0, 0, Now},
    {"Oct", 1, 1, Oct},
    {"Randomize", 0, 1, Randomize},
    {"Replace", 3, 6, Replace},
    {"Right", 2, 2, Right},
    {"Rnd", 0, 1, Rnd},
    {"Round", 1, 2, Round},
    {"RTrim", 1, 1, TrimSpaces<false, true>},
    {"Second", 1, 1, DatePart<&datetime::DateParts::second>},
    {"Sgn", 1, 1, Sgn},
    {"Space", 1, 1, Space},
    {"Split", 1, 4, Split},
    {"Sqr", 1, 1, Sqr},
    {"StrComp", 2, 3, StrComp},
    {"String", 2, 2, StringOf},
    {"StrReverse", 1, 1, StrReverse},
    {"Time", 0, 0, TimeOfDay},
    {"Timer", 0, 0, Timer},
    {"TimeSerial", 3, 3, TimeSerial},
    {"Trim", 1, 1, TrimSpaces<true, true>},
    {"TypeName", 1, 1, TypeName},
    {"UBound", 1, 2, UBound},
    {"UCase", 1, 1, FoldCase<UpperCaseText>},
    {"VarType", 1, 1, VarTypeOf},
    {"Weekday", 1, 2, Weekday},
    {"Year", 1, 1, DatePart<&datetime::DateParts::year>},
};

} // namespace

const Builtin* FindBuiltin(std::string_view name) {
    for (const Builtin& b : kBuiltins) {
        if (text::EqualsIgnoringCase(b.name, name)) {
            return &b;
        }
    }
    return nullptr;
}

bool FindConstant(std::string_view name, Variant& out) {
    struct Number {
        const char* name;
        std::int32_t value;
    };
    static const Number kNumbers[] = {
        {"vbBinaryCompare", 0},
        {"vbTextCompare", 1},
        {"vbEmpty", 0},
        {"vbNull", 1},
        {"vbInteger", 2},
        {"vbLong", 3},
        {"vbSingle", 4},
        {"vbDouble", 5},
        {"vbCurrency", 6},
        {"vbDate", 7},
        {"vbString", 8},
        {"vbObject", 9},
        {"vbError", 10},
        {"vbBoolean", 11},
        {"vbVariant", 12},
        {"vbDataObject", 13},
        {"vbByte", 17},
        {"vbArray", 8192},
        {"vbUseDefault", -2},
        {"vbObjectError", -2147221504},
        {"vbOKOnly", 0},
        {"vbOKCancel", 1},
        {"vbAbortRetryIgnore", 2},
        {"vbYesNoCancel", 3},
        {"vbYesNo", 4},
        {"vbRetryCancel", 5},
        {"vbCritical", 16},
        {"vbQuestion", 32},
        {"vbExclamation", 48},
        {"vbInformation", 64},
        {"vbDefaultButton1", 0},
        {"vbDefaultButton2", 256},
        {"vbDefaultButton3", 512},
        {"vbApplicationModal", 0},
        {"vbSystemModal", 4096},
        {"vbOK", 1},
        {"vbCancel", 2},
        {"vbAbort", 3},
        {"vbRetry", 4},
        {"vbIgnore", 5},
        {"vbYes", 6},
        {"vbNo", 7},
        {"vbUseSystemDayOfWeek", 0},
        {"vbSunday", 1},
        {"vbMonday", 2},
        {"vbTuesday", 3},
        {"vbWednesday", 4},
        {"vbThursday", 5},
        {"vbFriday", 6},
        {"vbSaturday", 7},
        {"vbGeneralDate", 0},
        {"vbLongDate", 1},
        {"vbShortDate", 2},
        {"vbLongTime", 3},
        {"vbShortTime", 4},
        {"vbUseSystem", 0},
        {"vbFirstJan1", 1},
        {"vbFirstFourDays", 2},
        {"vbFirstFullWeek", 3},
    };
    struct Text {
        const char* name;
        const char* value;
        std::size_t size;
    };
    static const Text kTexts[] = {
        {"vbCrLf", "\r\n", 2},   {"vbNewLine", "\r\n", 2}, {"vbCr", "\r", 1},
        {"vbLf", "\n", 1},       {"vbTab", "\t", 1},       {"vbNullChar", "\0", 1},
        {"vbNullString", "", 0}, {"vbFormFeed", "\f", 1},  {"vbVerticalTab", "\v", 1},
    };
    for (const Number& n : kNumbers) {
        if (text::EqualsIgnoringCase(n.name, name)) {
            out = (n.value >= -32768 && n.value <= 32767) ? Variant::Integer(n.value)
                                                          : Variant::Long(n.value);
            return true;
        }
    }
    if (text::EqualsIgnoringCase(name, "vbTrue") || text::EqualsIgnoringCase(name, "vbFalse")) {
        out = Variant::Integer(text::EqualsIgnoringCase(name, "vbTrue") ? -1 : 0);
        return true;
    }
    for (const Text& t : kTexts) {
        if (text::EqualsIgnoringCase(t.name, name)) {
            out = Variant::String(std::string(t.value, t.size));
            return true;
        }
    }
    return false;
}

} // namespace ob::vbscript
