// Base64 (RFC 2045, RFC 4648): encoding for attachments and authentication, and a
// decoder that takes its input in pieces (attachment lines) and skips what is not
// part of the alphabet. Any thread; a Base64Decoder belongs to one caller.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace ob::mail {

/// Appends the encoding of `bytes` (with "=" filling the last group) to `out`.
void Base64Append(std::string_view bytes, std::string& out);

std::string Base64Encode(std::string_view bytes);

/// Decodes base64 text that may arrive split anywhere. Characters outside the
/// alphabet (line ends, blanks) are skipped; "=" ends a group, and decoding goes on
/// with what follows it.
class Base64Decoder {
public:
    /// Appends the bytes decoded from `text` to `out`.
    void Feed(std::string_view text, std::string& out);

private:
    unsigned bits_ = 0; // collected bits, the newest in the low end
    int count_ = 0;     // sextets collected in the current group
};

std::string Base64Decode(std::string_view text);

} // namespace ob::mail
