// Why a pattern was rejected: the texts RegexProgram::Compile reports. Callers may
// show them to the user (the command server does) or compare against them.
#pragma once

namespace ob::common {

inline constexpr const char* kRegexNulCharacter = "The pattern contains a NUL character.";
inline constexpr const char* kRegexTooManyGroups = "Too many groups: at most 9 are allowed.";
inline constexpr const char* kRegexUnmatchedOpen = "Unmatched '(': a group is not closed.";
inline constexpr const char* kRegexUnmatchedClose = "Unmatched ')': no group is open.";
inline constexpr const char* kRegexFollowsNothing = "'*', '+' or '?' follows nothing.";
inline constexpr const char* kRegexNestedRepeat = "'*', '+' or '?' follows another repetition.";
inline constexpr const char* kRegexEmptyOperand =
    "'*' or '+' applies to an operand that can match the empty string.";
inline constexpr const char* kRegexUnclosedSet = "Unmatched '[': the set is not closed.";
inline constexpr const char* kRegexBackwardRange =
    "Invalid range in a set: its start is above its end.";
inline constexpr const char* kRegexTrailingBackslash = "The pattern ends in a backslash.";
inline constexpr const char* kRegexTooBig =
    "The pattern is too large: its program would reach 32767 bytes.";
inline constexpr const char* kRegexOutOfMemory = "Out of memory.";
/// A consistency check of the compiler failed; never expected.
inline constexpr const char* kRegexInternalError = "Internal error in the pattern compiler.";

} // namespace ob::common
