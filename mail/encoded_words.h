// Encoded words (RFC 2047) in the From and Subject lines of a fetched message.
// Up to three words per line in the character sets iso-8859-1, windows-1252 and
// big5 are decoded ("b": base64, "q": quoted-printable with "_" for a blank). The
// decoded bytes, still in the word's character set, replace the word padded with
// blanks to its length, so the line keeps its length. Any thread.
#pragma once

#include <string>

namespace ob::mail {

void DecodeEncodedWords(std::string& line);

} // namespace ob::mail
