// Finding the file of a program from the name a command line gives. Any thread.
//
// Linux programs have no ".EXE": the bare name is tried first, as an executable
// regular file, then the name followed by ".com", ".exe", ".bat" and ".cmd" in
// that order (such a file runs when it is executable, a script with a "#!" line
// say). A name with a directory part ("/" in it) is looked up there; a name
// without one is searched for in the host program's directory, the current
// directory, then the directories of PATH (read from the environment table); each
// candidate name goes through the whole search before the next is tried. A name
// that already has an extension and a directory part is taken as found without a
// check, as the Windows search does.
#pragma once

#include "platform/export.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace ob::process {

/// Longest path a search hands back.
inline constexpr std::size_t kMaxResolvedPath = 1024;

/// True when found, with `name` replaced by the absolute path of the program
/// file; false (name unchanged) otherwise.
OB_PLATFORM_API bool ResolveProgram(std::string& name);

/// A program as execvp finds it: a name with a "/" as it is; otherwise the first
/// executable file of that name in the (non-empty) directories of PATH, read from
/// the environment table. Empty when there is none.
OB_PLATFORM_API std::string FindOnSearchPath(const std::string& name);

/// The program word of a command line made ready for the search: after its first
/// character every pair of back slashes becomes one and every pair of forward
/// slashes one (so a leading double back slash survives).
OB_PLATFORM_API std::string NormaliseProgramPath(std::string_view word);

} // namespace ob::process
