// Transfer modes and the list of file extensions that automatic mode sends as
// text. The list is one text for the whole library copy ("." + extensions in upper
// case, each followed by "."); any thread may read or replace it (a lock guards it).
#pragma once

#include <string>
#include <string_view>

namespace ob::common::ftp {

/// How a file goes over the wire.
enum class TransferType { kAscii, kBinary };

/// Transfer modes as scripts give them: 0 text, 1 binary, anything else automatic.
inline constexpr int kModeAscii = 0;
inline constexpr int kModeBinary = 1;

inline constexpr std::string_view kDefaultTextTypes =
    ".CGI.CLASS.FILE.HTM.HTML.JAVA.JS.LOG.PHP.PL.PM.TEMP.TXT.XML.";

/// The list as it stands, with its final dot.
std::string TextTypes();
/// The list without its final dot, as the ftp object's TextTypes property reads it.
std::string TextTypesProperty();
/// Replaces the list: a text beginning with "." becomes the list in upper case with
/// one dot appended; an empty text leaves the list a single "." (nothing is text);
/// any other text changes nothing and gives false.
bool SetTextTypes(std::string_view types);

/// The type for `mode` and a file name: mode 0 ASCII, 1 binary; otherwise ASCII
/// when the name's extension (from the last dot of its last path component) is in
/// the list, binary when it is not or there is none.
TransferType TransferTypeFor(int mode, std::string_view fileName);

/// "Text", "Binary" or "Auto", the word a call log shows for a mode.
const char* ModeWord(int mode);

} // namespace ob::common::ftp
