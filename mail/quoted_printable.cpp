#include "mail/quoted_printable.h"

namespace ob::mail {
namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

} // namespace

void DecodeQuoted(std::string_view text, QuotedStyle style, std::string& out) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '=' && i + 2 < text.size()) {
            const int high = HexValue(text[i + 1]);
            const int low = HexValue(text[i + 2]);
            if (high >= 0 && low >= 0) {
                out += static_cast<char>(high << 4 | low);
                i += 2;
                continue;
            }
        }
        out += (c == '_' && style == QuotedStyle::EncodedWord) ? ' ' : c;
    }
}

bool DecodeQuotedPrintableLine(std::string_view line, std::string& out) {
    while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) {
        line.remove_suffix(1);
    }
    const bool softBreak = !line.empty() && line.back() == '=';
    if (softBreak) {
        line.remove_suffix(1);
    }
    DecodeQuoted(line, QuotedStyle::Body, out);
    return !softBreak;
}

} // namespace ob::mail
