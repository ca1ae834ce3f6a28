// Command lines as a Windows program receives them: one text that the program
// splits itself. A Linux program needs an argument vector, so the launches split
// the text here by the rules of the Windows C runtime. Any thread.
#pragma once

#include "platform/export.h"

#include <string>
#include <string_view>
#include <vector>

namespace ob::process {

/// The program word of a command line, as the engine's argument tokeniser finds
/// it without expansion: blanks, tabs and commas separate, double quotes group
/// and are removed. Empty when the line holds no word.
OB_PLATFORM_API std::string ProgramWord(std::string_view commandLine);

/// The argument vector of a command line by the C runtime's rules. The first
/// argument (the program) runs from an opening double quote to the next one, or
/// up to the first blank or tab. The others: blanks and tabs separate; double
/// quotes group (a doubled quote inside a quoted part is a literal quote); 2n back
/// slashes before a quote are n back slashes and the quote groups, 2n+1 are n back
/// slashes and a literal quote; other back slashes are literal. Commas are
/// ordinary characters.
OB_PLATFORM_API std::vector<std::string> SplitCommandLine(std::string_view commandLine);

} // namespace ob::process
