// Quoted-printable decoding (RFC 2045 section 6.7) for message parts, and the "Q"
// form of encoded words (RFC 2047 section 4.2), where "_" stands for a blank. Any
// thread.
#pragma once

#include <string>
#include <string_view>

namespace ob::mail {

enum class QuotedStyle {
    Body,        // RFC 2045: "_" is itself
    EncodedWord, // RFC 2047 "Q": "_" is a blank
};

/// Appends the decoding of `text` to `out`: "=" and two hexadecimal digits (either
/// case) give that byte; an "=" not followed by two such digits stays as it is.
void DecodeQuoted(std::string_view text, QuotedStyle style, std::string& out);

/// Decodes one body line (without its line end) and appends it to `out`. True when
/// the line ends hard (its CRLF belongs to the text), false for a soft break ("="
/// at its end). Blanks the transport may have added at the end of the line are
/// dropped first.
bool DecodeQuotedPrintableLine(std::string_view line, std::string& out);

} // namespace ob::mail
