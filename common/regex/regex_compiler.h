// The pattern compiler: turns a pattern into the byte code of regex_code.h plus the
// fields that let a search skip hopeless positions. Internal to the regex engine;
// callers use RegexProgram::Compile.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace ob::common {

/// A compiled pattern before it becomes a RegexProgram.
struct RegexImage {
    std::vector<std::uint8_t> code; // magic byte, then nodes
    char first = '\0';              // literal every match starts with, or '\0'
    bool anchored = false;          // the only branch starts with BOL
    std::size_t must_offset = 0;    // index in code of the longest required literal
    std::size_t must_length = 0;    // its length; 0 = none
};

/// Compiles `pattern` in two passes (measure, then emit into one allocation) and
/// sets the optimisation fields. Returns null on success, else the rejection
/// message (regex_messages.h). May throw std::bad_alloc; nothing else. Any thread.
const char* CompileRegexImage(std::string_view pattern, RegexImage& image);

} // namespace ob::common
