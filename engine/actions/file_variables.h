// The file variables that -getfile and -foreach -file set for a chosen file:
// VARIABLE (the path) and its companions VARIABLE.SIZE, .AGE.SECONDS, .AGE.MINUTES,
// .AGE.HOURS, .AGE.DAYS, .DRIVE, .DIR, .FNAME and .EXT. Ages are the time elapsed
// since the file was written (right in every zone and across summer-time changes).
// Engine thread.
#pragma once

#include "engine/actions/action_context.h"
#include "platform/fs/find_files.h"

#include <string>

namespace ob::engine {

/// Sets the variables for `found` in `directory` (as the pattern gave it). Only the
/// drive and directory of `directory` are used, so either the search pattern itself
/// ("C:\in\*.txt", "/var/log/*.log") or its directory part with the trailing
/// separator ("C:\in\", "/var/log/") may be passed. An entry dated in the future is
/// 0 seconds old. Returns Outcome::Done, or the FatalFailure outcome of the first
/// write that failed.
Outcome SetFileVariables(ActionContext& context, const std::string& variable,
                         const std::string& directory, const fs::FindData& found);

} // namespace ob::engine
