// Escape and Unescape: the language's %XX / %uXXXX encoding of text. Escape keeps
// A-Z a-z 0-9 and @*_+-./, writes other characters below 256 as %XX and the rest
// as %uXXXX (UTF-16 units, so a character above U+FFFF becomes two). Unescape
// reverses both forms and leaves malformed sequences as they are. A byte that is
// not valid UTF-8 travels as %uDCxx (its decoded value) and comes back as that byte.
// EscapeText / UnescapeText are pure; the built-ins run on the interpreter's thread.
#pragma once

#include "vbscript/variant.h"
#include "vbscript/vbscript_export.h"

#include <string>
#include <string_view>
#include <vector>

namespace ob::vbscript {
class Interpreter;

OB_VBSCRIPT_API std::string EscapeText(std::string_view text);
OB_VBSCRIPT_API std::string UnescapeText(std::string_view text);

} // namespace ob::vbscript

namespace ob::vbscript::builtin {

Variant Escape(Interpreter& in, std::vector<Variant>& a);
Variant Unescape(Interpreter& in, std::vector<Variant>& a);

} // namespace ob::vbscript::builtin
