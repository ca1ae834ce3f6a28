#include "mail/quoted_printable.h"

#include "platform/text/hex_text.h"

namespace ob::mail {

void DecodeQuoted(std::string_view text, QuotedStyle style, std::string& out) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '=' && i + 2 < text.size()) {
            const int high = text::HexDigitValue(text[i + 1]);
            const int low = text::HexDigitValue(text[i + 2]);
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
