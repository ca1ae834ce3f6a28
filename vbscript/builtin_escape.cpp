#include "vbscript/builtin_escape.h"

#include "vbscript/builtins.h"

#include "vbscript/builtin_args.h"
#include "vbscript/utf8_text.h"

#include <cstring>

namespace ob::vbscript {
namespace {

bool KeptAsIs(char32_t c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
           (c > 0 && c < 0x80 && std::strchr("@*_+-./", static_cast<int>(c)) != nullptr);
}

void AppendHex(std::string& out, unsigned value, int width) {
    static const char kDigits[] = "0123456789ABCDEF";
    for (int shift = (width - 1) * 4; shift >= 0; shift -= 4) {
        out.push_back(kDigits[(value >> shift) & 0xF]);
    }
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// The value of `width` hex digits at text[pos], or -1.
long HexAt(std::string_view text, std::size_t pos, int width) {
    if (pos + static_cast<std::size_t>(width) > text.size()) {
        return -1;
    }
    long value = 0;
    for (int i = 0; i < width; ++i) {
        const int digit = HexValue(text[pos + static_cast<std::size_t>(i)]);
        if (digit < 0) {
            return -1;
        }
        value = value * 16 + digit;
    }
    return value;
}

bool IsHighSurrogate(long unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

} // namespace

std::string EscapeText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        const char32_t c = utf8::Next(text, pos);
        if (KeptAsIs(c)) {
            out.push_back(static_cast<char>(c));
        } else if (c < 0x100) {
            out.push_back('%');
            AppendHex(out, c, 2);
        } else if (c < 0x10000) {
            out += "%u";
            AppendHex(out, c, 4);
        } else {
            const char32_t v = c - 0x10000;
            out += "%u";
            AppendHex(out, 0xD800 + (v >> 10), 4);
            out += "%u";
            AppendHex(out, 0xDC00 + (v & 0x3FF), 4);
        }
        if (out.size() > kMaxStringLength) {
            throw ScriptException(err::kOutOfMemory);
        }
    }
    return out;
}

std::string UnescapeText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        if (text[pos] != '%') {
            const std::size_t next = text.find('%', pos);
            const std::size_t end = next == std::string_view::npos ? text.size() : next;
            out.append(text.substr(pos, end - pos));
            pos = end;
            continue;
        }
        if (pos + 1 < text.size() && text[pos + 1] == 'u') {
            const long unit = HexAt(text, pos + 2, 4);
            if (unit >= 0) {
                pos += 6;
                // A surrogate pair written as two escapes is one character.
                const long low = pos + 1 < text.size() && text[pos] == '%' && text[pos + 1] == 'u'
                                     ? HexAt(text, pos + 2, 4)
                                     : -1;
                if (IsHighSurrogate(unit) && low >= 0xDC00 && low <= 0xDFFF) {
                    utf8::Append(out, static_cast<char32_t>(0x10000 + ((unit - 0xD800) << 10) +
                                                            (low - 0xDC00)));
                    pos += 6;
                } else {
                    utf8::Append(out, static_cast<char32_t>(unit));
                }
                continue;
            }
        } else {
            const long byte = HexAt(text, pos + 1, 2);
            if (byte >= 0) {
                utf8::Append(out, static_cast<char32_t>(byte));
                pos += 3;
                continue;
            }
        }
        out.push_back('%'); // malformed: kept as written
        ++pos;
    }
    return out;
}

namespace builtin {

Variant Escape(Interpreter&, Args& a) {
    if (a[0].IsNull()) {
        return Variant::Null();
    }
    return Variant::String(EscapeText(a[0].ToString()));
}

Variant Unescape(Interpreter&, Args& a) {
    if (a[0].IsNull()) {
        return Variant::Null();
    }
    return Variant::String(UnescapeText(a[0].ToString()));
}

std::span<const Builtin> EscapeFunctions() {
    static const Builtin kFunctions[] = {
        {"Escape", 1, 1, Escape},
        {"Unescape", 1, 1, Unescape},
    };
    return kFunctions;
}

} // namespace builtin
} // namespace ob::vbscript
