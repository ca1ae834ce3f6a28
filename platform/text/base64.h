// Base64 (RFC 4648, standard alphabet, "=" padding), as MIME bodies, SMTP
// authentication and HTTP credentials use it. Header and source only depend on the
// standard library; any thread.
#pragma once

#include "platform/export.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace ob::text {

/// The base64 text of `bytes`, padded, on one line.
OB_PLATFORM_API std::string Base64Encode(std::string_view bytes);

/// Appends the base64 text of `bytes`, padded, on one line, to `out`.
OB_PLATFORM_API void AppendBase64(std::string_view bytes, std::string& out);

/// Appends the base64 text of `bytes` to `out` in lines of at most `lineLength`
/// characters (a multiple of 4; MIME uses 76), each ended by `newline`. Nothing is
/// appended for no bytes.
OB_PLATFORM_API void AppendBase64Lines(std::string_view bytes, std::size_t lineLength,
                                       std::string_view newline, std::string& out);

/// The bytes a base64 text stands for. Blanks, tabs and line breaks anywhere are
/// skipped; padding is optional but, when present, must complete the last group
/// and end the text. Any other character, or a last group of a single character,
/// gives nothing.
OB_PLATFORM_API std::optional<std::string> Base64Decode(std::string_view text);

/// A lenient decoder for base64 that arrives in pieces split anywhere, as message
/// bodies do: characters outside the alphabet (line ends, blanks, stray bytes) are
/// skipped, and "=" ends a group, after which decoding goes on with what follows.
/// It never fails; a caller that must reject malformed text uses Base64Decode.
/// A decoder belongs to one caller.
class OB_PLATFORM_API Base64StreamDecoder {
public:
    /// Appends the bytes decoded from `text` to `out`.
    void Feed(std::string_view text, std::string& out);

private:
    unsigned bits_ = 0; // collected bits, the newest in the low end
    int count_ = 0;     // sextets collected in the current group
};

/// The bytes of `text` as one Base64StreamDecoder reads them.
OB_PLATFORM_API std::string Base64DecodeLenient(std::string_view text);

} // namespace ob::text
