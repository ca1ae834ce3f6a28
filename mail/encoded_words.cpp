#include "mail/encoded_words.h"

#include "mail/quoted_printable.h"
#include "platform/text/ascii_case.h"
#include "platform/text/base64.h"

#include <array>
#include <string_view>

namespace ob::mail {
namespace {

constexpr int kWordsPerLine = 3;

constexpr std::array<std::string_view, 3> kCharsets{"iso-8859-1", "windows-1252", "big5"};

// The length of the word's opening ("=?big5?b?") when `text` begins with one of the
// recognised forms, with whether it is base64; 0 otherwise.
std::size_t Opening(std::string_view text, bool& base64) {
    for (const auto charset : kCharsets) {
        const std::size_t length = 2 + charset.size() + 3;
        if (text.size() < length || text.substr(0, 2) != "=?" ||
            !text::EqualsIgnoringCase(text.substr(2, charset.size()), charset) ||
            text[2 + charset.size()] != '?' || text[length - 1] != '?') {
            continue;
        }
        const char form = text::AsciiLower(text[length - 2]);
        if (form == 'b' || form == 'q') {
            base64 = form == 'b';
            return length;
        }
    }
    return 0;
}

} // namespace

void DecodeEncodedWords(std::string& line) {
    std::size_t from = 0;
    for (int words = 0; words < kWordsPerLine;) {
        const std::size_t start = line.find("=?", from);
        if (start == std::string::npos) {
            return;
        }
        bool base64 = false;
        const std::size_t opening = Opening(std::string_view(line).substr(start), base64);
        if (opening == 0) {
            from = start + 2;
            continue;
        }
        const std::size_t close = line.find("?=", start + opening);
        if (close == std::string::npos) {
            return;
        }
        const std::string_view payload =
            std::string_view(line).substr(start + opening, close - start - opening);
        std::string decoded;
        if (base64) {
            decoded = text::Base64DecodeLenient(payload);
        } else {
            DecodeQuoted(payload, QuotedStyle::EncodedWord, decoded);
        }
        const std::size_t length = close + 2 - start;
        decoded.resize(length, ' '); // never longer than the word it came from
        line.replace(start, length, decoded);
        from = start + length;
        ++words;
    }
}

} // namespace ob::mail
