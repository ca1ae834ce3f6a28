// A path split the Windows way into drive, directory, file name and extension, as
// job scripts written for either system expect: "/" and "\\" both separate, a drive
// is a letter and a colon at the start (Linux paths have none), the directory keeps
// its leading and trailing separators, and the extension starts at the last dot of
// the last component. Value type; any thread.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace ob::engine {

/// Paths this long or longer split into empty parts (Linux's PATH_MAX; a shorter
/// limit would cut legitimate Linux paths).
inline constexpr std::size_t kMaxSplitPath = 4096;

struct PathParts {
    std::string drive; ///< "C:" or empty
    std::string dir;   ///< "\\logs\\" for "C:\\logs\\a.txt", "/tmp/x/" for "/tmp/x/a.txt"
    std::string fname; ///< "a"
    std::string ext;   ///< ".txt", empty when the last component has no dot

    /// drive + dir + fname + ext.
    std::string Join() const { return drive + dir + fname + ext; }
};

/// Splits `path` after collapsing every pair of back slashes after the first
/// character into one, and likewise every pair of forward slashes (a leading pair,
/// as in "\\\\server", stays).
PathParts SplitPathParts(std::string_view path);

} // namespace ob::engine
