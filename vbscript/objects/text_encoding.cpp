#include "vbscript/objects/text_encoding.h"

#include "vbscript/utf8_text.h"

namespace ob::vbscript::objects {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsHighSurrogate(char32_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}

bool IsLowSurrogate(char32_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

void AppendUnit(std::string& out, char16_t unit) {
    out.push_back(static_cast<char>(unit & 0xFF));
    out.push_back(static_cast<char>(unit >> 8));
}

} // namespace

DetectedFormat DetectFormat(std::string_view head) {
    if (head.substr(0, kUtf16LeBom.size()) == kUtf16LeBom) {
        return {TextFormat::Utf16Le, kUtf16LeBom.size()};
    }
    if (head.substr(0, kUtf8Bom.size()) == kUtf8Bom) {
        return {TextFormat::Utf8, kUtf8Bom.size()};
    }
    return {TextFormat::Utf8, 0};
}

std::string EncodeUtf16Le(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size() * 2);
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        char32_t c = utf8::Next(utf8, pos);
        if (IsHighSurrogate(c) || IsLowSurrogate(c) || c > 0x10FFFF) {
            c = kReplacement; // includes the U+DC80.. stand-ins of invalid bytes
        }
        if (c > 0xFFFF) {
            c -= 0x10000;
            AppendUnit(out, static_cast<char16_t>(0xD800 + (c >> 10)));
            AppendUnit(out, static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
        } else {
            AppendUnit(out, static_cast<char16_t>(c));
        }
    }
    return out;
}

void Utf16LeDecoder::Unit(char16_t unit, std::string& out) {
    if (highSurrogate_ != 0) {
        if (IsLowSurrogate(unit)) {
            const char32_t c = 0x10000 + ((static_cast<char32_t>(highSurrogate_) - 0xD800) << 10) +
                               (unit - 0xDC00);
            highSurrogate_ = 0;
            utf8::Append(out, c);
            return;
        }
        highSurrogate_ = 0;
        utf8::Append(out, kReplacement);
    }
    if (IsHighSurrogate(unit)) {
        highSurrogate_ = unit;
    } else if (IsLowSurrogate(unit)) {
        utf8::Append(out, kReplacement);
    } else {
        utf8::Append(out, unit);
    }
}

void Utf16LeDecoder::Decode(std::string_view bytes, std::string& out) {
    std::size_t i = 0;
    if (pendingByte_ >= 0 && !bytes.empty()) {
        const auto high = static_cast<unsigned char>(bytes[0]);
        Unit(static_cast<char16_t>(pendingByte_ | (high << 8)), out);
        pendingByte_ = -1;
        i = 1;
    }
    for (; i + 1 < bytes.size(); i += 2) {
        const auto low = static_cast<unsigned char>(bytes[i]);
        const auto high = static_cast<unsigned char>(bytes[i + 1]);
        Unit(static_cast<char16_t>(low | (high << 8)), out);
    }
    if (i < bytes.size()) {
        pendingByte_ = static_cast<unsigned char>(bytes[i]);
    }
}

void Utf16LeDecoder::Finish(std::string& out) {
    if (highSurrogate_ != 0) {
        highSurrogate_ = 0;
        utf8::Append(out, kReplacement);
    }
    if (pendingByte_ >= 0) {
        pendingByte_ = -1;
        utf8::Append(out, kReplacement);
    }
}

} // namespace ob::vbscript::objects
