// The system's search for a file named without a directory: the running program's
// directory, the current directory, then the directories of PATH. Used to find
// programs to launch and data files that jobs name. Any thread.
#pragma once

#include "platform/export.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ob::fs {

/// Longest path a file search hands back (Linux's PATH_MAX).
inline constexpr std::size_t kMaxSearchedPath = 4096;

/// `directory` and `name` joined with one "/" between them.
OB_PLATFORM_API std::string JoinPath(const std::string& directory, std::string_view name);

/// The current directory; empty when it cannot be read.
OB_PLATFORM_API std::string CurrentDirectory();

/// The entries of a PATH-style list separated by ":", empty entries kept.
OB_PLATFORM_API std::vector<std::string> SplitSearchPath(std::string_view path);

/// The directories a search for a bare name walks, in order: the running program's
/// directory, the current directory, then each entry of PATH (read from the
/// environment table; an empty entry is the current directory, as the shells read it).
OB_PLATFORM_API std::vector<std::string> SearchDirectories();

/// The absolute path of the regular file `name` names. A name with a "/" is taken as
/// it is (relative to the current directory); a bare name is looked for in each of
/// SearchDirectories() in turn. None when nothing is found or the path would be
/// longer than kMaxSearchedPath.
OB_PLATFORM_API std::optional<std::string> SearchFile(std::string_view name);

} // namespace ob::fs
