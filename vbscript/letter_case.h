// Upper and lower case of script text without any locale: ASCII, Latin-1
// Supplement, Latin Extended-A, Greek and Cyrillic letters fold; every other
// character (and every byte that is not valid UTF-8) is left as it is. UCase,
// LCase and the text compare mode (vbTextCompare) use these.
//
// Pure functions; any thread.
#pragma once

#include "vbscript/vbscript_export.h"

#include <string>
#include <string_view>

namespace ob::vbscript {

/// The upper-case letter of a character, or the character itself.
OB_VBSCRIPT_API char32_t UpperLetter(char32_t c);
/// The lower-case letter of a character, or the character itself.
OB_VBSCRIPT_API char32_t LowerLetter(char32_t c);

/// The text with every letter folded (UCase / LCase).
OB_VBSCRIPT_API std::string UpperCaseText(std::string_view text);
OB_VBSCRIPT_API std::string LowerCaseText(std::string_view text);

} // namespace ob::vbscript
