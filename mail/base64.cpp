#include "mail/base64.h"

#include <array>
#include <cstdint>

namespace ob::mail {
namespace {

constexpr std::string_view kAlphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

constexpr std::int8_t kPad = -2;
constexpr std::int8_t kSkip = -1;

constexpr std::array<std::int8_t, 256> MakeDecodeTable() {
    std::array<std::int8_t, 256> table{};
    table.fill(kSkip);
    for (std::size_t i = 0; i < kAlphabet.size(); ++i) {
        table[static_cast<unsigned char>(kAlphabet[i])] = static_cast<std::int8_t>(i);
    }
    table['='] = kPad;
    return table;
}

constexpr auto kDecode = MakeDecodeTable();

} // namespace

void Base64Append(std::string_view bytes, std::string& out) {
    out.reserve(out.size() + (bytes.size() + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        const std::uint32_t group = static_cast<unsigned char>(bytes[i]) << 16 |
                                    static_cast<unsigned char>(bytes[i + 1]) << 8 |
                                    static_cast<unsigned char>(bytes[i + 2]);
        out += kAlphabet[group >> 18];
        out += kAlphabet[(group >> 12) & 63];
        out += kAlphabet[(group >> 6) & 63];
        out += kAlphabet[group & 63];
    }
    if (const std::size_t rest = bytes.size() - i; rest > 0) {
        std::uint32_t group = static_cast<unsigned char>(bytes[i]) << 16;
        if (rest == 2) {
            group |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        }
        out += kAlphabet[group >> 18];
        out += kAlphabet[(group >> 12) & 63];
        out += rest == 2 ? kAlphabet[(group >> 6) & 63] : '=';
        out += '=';
    }
}

std::string Base64Encode(std::string_view bytes) {
    std::string out;
    Base64Append(bytes, out);
    return out;
}

void Base64Decoder::Feed(std::string_view text, std::string& out) {
    for (const char c : text) {
        const std::int8_t value = kDecode[static_cast<unsigned char>(c)];
        if (value == kSkip) {
            continue;
        }
        if (value == kPad) {
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

std::string Base64Decode(std::string_view text) {
    std::string out;
    Base64Decoder decoder;
    decoder.Feed(text, out);
    return out;
}

} // namespace ob::mail
