// Wildcards of the multi-file operations: "dir/part/*.txt" is the
// directory "dir/part" and the file pattern "*.txt". Any thread.
#pragma once

#include "common/regex/regex_program.h"

#include <memory>
#include <string>
#include <string_view>

namespace ob::common::ftp {

struct WildcardSpec {
    std::string directory; ///< empty: the current directory; "/" for a wildcard like "/x*"
    std::string pattern;   ///< the part after the last "/"
};

/// Splits a wildcard at its last "/".
WildcardSpec SplitSpec(std::string_view wildcard);

/// A file pattern as a matcher of whole names: "*" any run of characters, "?" one
/// character, "[...]" a set as in shell patterns, every other character itself
/// (also those a regular expression would read as operators, so "a+b(1).txt"
/// matches only that name). A pattern whose brackets do not pair takes them as
/// plain characters.
class WildcardPattern {
public:
    explicit WildcardPattern(std::string_view pattern);
    /// True when the whole of `name` matches. One thread at a time.
    bool Matches(std::string_view name) const;

private:
    std::unique_ptr<RegexProgram> program_;
};

/// The regular expression a pattern compiles to; `sets` keeps "[" and "]" as set
/// brackets, otherwise they are escaped too.
std::string WildcardToRegex(std::string_view pattern, bool sets);

} // namespace ob::common::ftp
