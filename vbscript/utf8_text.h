// Script texts are UTF-8 byte strings; the language counts characters. These
// helpers translate between the two: a character is one Unicode code point, and
// each byte that is not part of a valid UTF-8 sequence counts as one character of
// its own, decoded to U+DC80..U+DCFF and encoded back to the same byte, so any
// byte string survives a decode/encode round trip unchanged (binary data read
// from a file is not corrupted by Mid or Replace).
//
// Pure functions; any thread.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace ob::vbscript::utf8 {

/// True when every byte is below 0x80: byte offsets are character offsets.
bool IsAscii(std::string_view text);

/// Decodes the character starting at `pos` (which must be < text.size()) and
/// advances `pos` past it.
char32_t Next(std::string_view text, std::size_t& pos);

/// Appends the encoding of a code point (U+DC80..U+DCFF as the raw byte).
void Append(std::string& out, char32_t codePoint);

/// The number of characters.
std::size_t Length(std::string_view text);

/// The byte offset of character `index` (0-based); text.size() when the text has
/// `index` characters or fewer.
std::size_t ByteOffset(std::string_view text, std::size_t index);

/// The characters [start, start + count) (0-based, clipped to the text).
std::string_view Substr(std::string_view text, std::size_t start,
                        std::size_t count = std::string_view::npos);

/// The character index of a byte offset that starts a character.
std::size_t CharIndex(std::string_view text, std::size_t byteOffset);

/// The decoded characters.
std::u32string Decode(std::string_view text);
/// The encoding of decoded characters.
std::string Encode(std::u32string_view text);

} // namespace ob::vbscript::utf8
