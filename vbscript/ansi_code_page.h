// The ANSI code page of the language, Windows-1252: the character codes of Chr,
// Asc and String(n, code). Codes 0..127 and 160..255 are the Unicode code points
// of the same value; 128..159 hold the typographic characters of the code page
// ("€" is 128); its five unassigned codes map to the control characters of the
// same value, as the system's conversion maps them.
//
// Pure functions; any thread.
#pragma once

#include "vbscript/vbscript_export.h"

namespace ob::vbscript {

/// The character of an ANSI code 0..255.
OB_VBSCRIPT_API char32_t AnsiToUnicode(unsigned char code);

/// The ANSI code of a character; '?' (63) for characters the code page lacks.
OB_VBSCRIPT_API int UnicodeToAnsi(char32_t c);

} // namespace ob::vbscript
