// A job script holds job blocks and VBScript code. Splitting gives two texts with
// one line for every line of the file, so that line numbers agree: job lines are
// VBScript comments in the script text, script lines are comments in the job text.
#pragma once

#include <string>
#include <string_view>

namespace ob::engine {

struct SplitScript {
    std::string jobText;
    std::string scriptText;
};

/// Splits a file's content (lines end with "\n"; the 2048-character line buffer
/// applies, so longer physical lines count as several).
SplitScript SplitJobScript(std::string_view content);

} // namespace ob::engine
