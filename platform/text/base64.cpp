#include "platform/text/base64.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace ob::text {
namespace {

constexpr std::string_view kAlphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

constexpr int kSkip = -2;
constexpr int kInvalid = -1;

constexpr std::array<int, 256> MakeDecodeTable() {
    std::array<int, 256> table{};
    for (int& entry : table) {
        entry = kInvalid;
    }
    for (std::size_t i = 0; i < kAlphabet.size(); ++i) {
        table[static_cast<unsigned char>(kAlphabet[i])] = static_cast<int>(i);
    }
    for (const char blank : {' ', '\t', '\r', '\n'}) {
        table[static_cast<unsigned char>(blank)] = kSkip;
    }
    return table;
}

constexpr std::array<int, 256> kDecode = MakeDecodeTable();

/// Appends the four characters of up to three bytes (fewer are padded).
void AppendGroup(const unsigned char* bytes, std::size_t count, std::string& out) {
    const std::uint32_t group = (static_cast<std::uint32_t>(bytes[0]) << 16) |
                                (count > 1 ? static_cast<std::uint32_t>(bytes[1]) << 8 : 0) |
                                (count > 2 ? static_cast<std::uint32_t>(bytes[2]) : 0);
    out += kAlphabet[(group >> 18) & 63];
    out += kAlphabet[(group >> 12) & 63];
    out += count > 1 ? kAlphabet[(group >> 6) & 63] : '=';
    out += count > 2 ? kAlphabet[group & 63] : '=';
}

} // namespace

void AppendBase64(std::string_view bytes, std::string& out) {
    out.reserve(out.size() + (bytes.size() + 2) / 3 * 4);
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    for (std::size_t at = 0; at < bytes.size(); at += 3) {
        AppendGroup(data + at, std::min<std::size_t>(3, bytes.size() - at), out);
    }
}

std::string Base64Encode(std::string_view bytes) {
    std::string out;
    AppendBase64(bytes, out);
    return out;
}

void AppendBase64Lines(std::string_view bytes, std::size_t lineLength, std::string_view newline,
                       std::string& out) {
    const std::size_t perLine = lineLength < 4 ? 3 : lineLength / 4 * 3;
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    for (std::size_t line = 0; line < bytes.size(); line += perLine) {
        const std::size_t end = std::min(bytes.size(), line + perLine);
        for (std::size_t at = line; at < end; at += 3) {
            AppendGroup(data + at, std::min<std::size_t>(3, end - at), out);
        }
        out += newline;
    }
}

std::optional<std::string> Base64Decode(std::string_view text) {
    std::string out;
    out.reserve(text.size() / 4 * 3);
    std::uint32_t group = 0;
    int filled = 0;  // characters in `group`
    int padding = 0; // "=" seen; only blanks and more "=" may follow
    for (const char c : text) {
        const int value = kDecode[static_cast<unsigned char>(c)];
        if (value == kSkip) {
            continue;
        }
        if (c == '=') {
            // Padding completes a group of two or three characters.
            if (filled < 2 || filled + padding >= 4) {
                return std::nullopt;
            }
            ++padding;
            continue;
        }
        if (value == kInvalid || padding > 0) {
            return std::nullopt;
        }
        group = (group << 6) | static_cast<std::uint32_t>(value);
        if (++filled == 4) {
            out += static_cast<char>((group >> 16) & 0xFF);
            out += static_cast<char>((group >> 8) & 0xFF);
            out += static_cast<char>(group & 0xFF);
            group = 0;
            filled = 0;
        }
    }
    if (padding > 0 && filled + padding != 4) {
        return std::nullopt;
    }
    if (filled == 1) {
        return std::nullopt;
    }
    if (filled == 2) {
        out += static_cast<char>((group >> 4) & 0xFF);
    } else if (filled == 3) {
        out += static_cast<char>((group >> 10) & 0xFF);
        out += static_cast<char>((group >> 2) & 0xFF);
    }
    return out;
}

void Base64StreamDecoder::Feed(std::string_view text, std::string& out) {
    for (const char c : text) {
        if (c == '=') {
            // A short group: 2 sextets give one byte, 3 give two; then start afresh.
            if (count_ == 2) {
                out += static_cast<char>(bits_ >> 4);
            } else if (count_ == 3) {
                out += static_cast<char>(bits_ >> 10);
                out += static_cast<char>(bits_ >> 2);
            }
            bits_ = 0;
            count_ = 0;
            continue;
        }
        const int value = kDecode[static_cast<unsigned char>(c)];
        if (value < 0) {
            continue;
        }
        bits_ = (bits_ << 6) | static_cast<unsigned>(value);
        if (++count_ == 4) {
            out += static_cast<char>(bits_ >> 16);
            out += static_cast<char>(bits_ >> 8);
            out += static_cast<char>(bits_);
            bits_ = 0;
            count_ = 0;
        }
    }
}

std::string Base64DecodeLenient(std::string_view text) {
    std::string out;
    Base64StreamDecoder decoder;
    decoder.Feed(text, out);
    return out;
}

} // namespace ob::text
