#include "vbscript/utf8_text.h"

namespace ob::vbscript::utf8 {
namespace {

constexpr char32_t kRawByteBase = 0xDC00; // raw byte b decodes to U+DC00 + b (b >= 0x80)

bool IsContinuation(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

} // namespace

bool IsAscii(std::string_view text) {
    for (const char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            return false;
        }
    }
    return true;
}

char32_t Next(std::string_view text, std::size_t& pos) {
    const auto lead = static_cast<unsigned char>(text[pos]);
    if (lead < 0x80) {
        ++pos;
        return lead;
    }
    std::size_t length = 0;
    char32_t value = 0;
    char32_t minimum = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        value = lead & 0x1F;
        minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        value = lead & 0x0F;
        minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        value = lead & 0x07;
        minimum = 0x10000;
    }
    if (length != 0 && pos + length <= text.size()) {
        bool valid = true;
        for (std::size_t i = 1; i < length; ++i) {
            const auto c = static_cast<unsigned char>(text[pos + i]);
            if (!IsContinuation(c)) {
                valid = false;
                break;
            }
            value = (value << 6) | (c & 0x3F);
        }
        // Overlong forms, surrogates and values above U+10FFFF are not valid UTF-8.
        if (valid && value >= minimum && value <= 0x10FFFF && (value < 0xD800 || value > 0xDFFF)) {
            pos += length;
            return value;
        }
    }
    ++pos;
    return kRawByteBase + lead;
}

void Append(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp >= kRawByteBase + 0x80 && cp <= kRawByteBase + 0xFF) {
        out.push_back(static_cast<char>(cp - kRawByteBase));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = 0xFFFD; // a lone surrogate has no UTF-8 form
        }
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp <= 0x10FFFF) {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        Append(out, 0xFFFD);
    }
}

std::size_t Length(std::string_view text) {
    std::size_t count = 0;
    for (std::size_t pos = 0; pos < text.size(); ++count) {
        if (static_cast<unsigned char>(text[pos]) < 0x80) {
            ++pos;
        } else {
            Next(text, pos);
        }
    }
    return count;
}

std::size_t ByteOffset(std::string_view text, std::size_t index) {
    std::size_t pos = 0;
    for (std::size_t i = 0; i < index && pos < text.size(); ++i) {
        if (static_cast<unsigned char>(text[pos]) < 0x80) {
            ++pos;
        } else {
            Next(text, pos);
        }
    }
    return pos;
}

std::string_view Substr(std::string_view text, std::size_t start, std::size_t count) {
    const std::size_t from = ByteOffset(text, start);
    if (count == std::string_view::npos) {
        return text.substr(from);
    }
    const std::size_t to = from + ByteOffset(text.substr(from), count);
    return text.substr(from, to - from);
}

std::size_t CharIndex(std::string_view text, std::size_t byteOffset) {
    return Length(text.substr(0, byteOffset));
}

std::u32string Decode(std::string_view text) {
    std::u32string out;
    out.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        out.push_back(Next(text, pos));
    }
    return out;
}

std::string Encode(std::u32string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char32_t cp : text) {
        Append(out, cp);
    }
    return out;
}

} // namespace ob::vbscript::utf8
