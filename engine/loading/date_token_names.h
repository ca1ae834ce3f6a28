// Variables named like date tokens. A job that sets I, M, Y or DAY cannot read
// them back as %I%, %M%, %Y% or %DAY%: expansion replaces the date tokens first, so
// a loop such as -while %I%<1000 compares the hour. The expansion stays as it is;
// the loader warns instead. Any thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ob::engine {

/// The names of the variables an action statement's text (without "-action") sets:
/// -set (with -eval and -persist), -SetEvent, -ClearEvent, -getfile and -foreach.
/// Names that are worked out when the statement runs (they hold "%") are left out.
std::vector<std::string> VariablesSetBy(std::string_view actionText);

/// One warning for each variable the statement sets whose name is a date token's
/// (without regard to case), naming the file, the line and the tokens:
/// `Warning: FILE line N sets the variable "I", but a reference to it is taken for a
/// date token: %I% gives the hour (01 to 12), %i% gives the day of the week, ...`
std::vector<std::string> DateTokenNameWarnings(std::string_view actionText,
                                               std::string_view fileName, std::uint32_t line);

} // namespace ob::engine
