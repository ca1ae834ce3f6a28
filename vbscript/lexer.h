// Splits VBScript source into tokens (token.h): names and keywords, numbers,
// strings, dates, operators and ends of statements (a line break or ":"). Comments (' and Rem) are
// dropped, " _" at the end of a line joins the next line. Errors are thrown as ScriptException with
// compilation error numbers and the line.
#pragma once

#include "vbscript/token.h"

#include <string>
#include <string_view>
#include <vector>

namespace ob::vbscript {

/// The tokens of a source text, ending with EndOfStatement and EndOfInput.
std::vector<Token> Tokenize(std::string_view source);

/// The source split into lines (without line breaks), for error texts.
std::vector<std::string> SplitLines(std::string_view source);

} // namespace ob::vbscript
