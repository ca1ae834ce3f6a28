// Copying one regular file for -copy, -move and -rename (a move between file
// systems is a copy and a delete). Any thread.
#pragma once

#include <string>

namespace ob::engine {

/// Copies the regular file `source` to `target`, with its permission bits and its
/// modification time (a copy keeps the original's time, so -getfile sees it as
/// equally old). The data goes to a temporary file beside the target that then takes
/// the target's name: a copy that fails half-way leaves an existing target as it was.
/// With `replace` false an existing target is an error. Never follows a target that
/// is the source itself (copying a file onto itself is an error, not a truncation).
/// Returns 0 or an errno value: EISDIR or EINVAL when the source is a directory or
/// not a regular file, EISDIR when the target is a directory, EEXIST when the target
/// exists and may not be replaced, EBUSY when both name the same file.
int CopyRegularFile(const std::string& source, const std::string& target, bool replace);

} // namespace ob::engine
