// The text built-ins: Len, Left, Mid, InStr, Replace, Split, Join, Filter, the
// case and trimming functions, Chr / Asc and their wide and byte forms, Hex and Oct.
// Positions and lengths count characters (code points), not bytes.
#include "vbscript/builtins.h"

#include "vbscript/ansi_code_page.h"
#include "vbscript/builtin_args.h"
#include "vbscript/letter_case.h"
#include "vbscript/text_search.h"
#include "vbscript/utf8_text.h"

#include <algorithm>
#include <cstdio>

namespace ob::vbscript::builtin {

namespace {

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

template <std::string (*Fold)(std::string_view)> Variant FoldCase(Args& a) {
    if (a[0].IsNull()) {
        return Variant::Null();
    }
    return Variant::String(Fold(a[0].ToString()));
}

template <bool kLeft, bool kRight> Variant TrimSpaces(Args& a) {
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

Variant LCase(Interpreter&, Args& a) {
    return FoldCase<LowerCaseText>(a);
}
Variant UCase(Interpreter&, Args& a) {
    return FoldCase<UpperCaseText>(a);
}
Variant LTrim(Interpreter&, Args& a) {
    return TrimSpaces<true, false>(a);
}
Variant RTrim(Interpreter&, Args& a) {
    return TrimSpaces<false, true>(a);
}
Variant Trim(Interpreter&, Args& a) {
    return TrimSpaces<true, true>(a);
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

} // namespace

std::span<const Builtin> StringFunctions() {
    static const Builtin kFunctions[] = {
        {"Asc", 1, 1, Asc},
        {"AscB", 1, 1, AscB},
        {"AscW", 1, 1, AscW},
        {"Chr", 1, 1, Chr},
        {"ChrB", 1, 1, ChrB},
        {"ChrW", 1, 1, ChrW},
        {"Filter", 2, 4, Filter},
        {"Hex", 1, 1, Hex},
        {"InStr", 2, 4, InStr},
        {"InStrRev", 2, 4, InStrRev},
        {"Join", 1, 2, Join},
        {"LCase", 1, 1, LCase},
        {"Left", 2, 2, Left},
        {"Len", 1, 1, Len},
        {"LTrim", 1, 1, LTrim},
        {"Mid", 2, 3, Mid},
        {"Oct", 1, 1, Oct},
        {"Replace", 3, 6, Replace},
        {"Right", 2, 2, Right},
        {"RTrim", 1, 1, RTrim},
        {"Space", 1, 1, Space},
        {"Split", 1, 4, Split},
        {"StrComp", 2, 3, StrComp},
        {"String", 2, 2, StringOf},
        {"StrReverse", 1, 1, StrReverse},
        {"Trim", 1, 1, Trim},
        {"UCase", 1, 1, UCase},
    };
    return kFunctions;
}

} // namespace ob::vbscript::builtin
