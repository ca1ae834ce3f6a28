// The file variables that -getfile and -foreach -file set for a chosen file:
// VARIABLE (the path) and its companions VARIABLE.SIZE, .AGE.SECONDS, .AGE.MINUTES,
// .AGE.HOURS, .AGE.DAYS, .DRIVE, .DIR, .FNAME and .EXT. Ages are computed against
// local time with the file's time converted to local time too. Engine thread.
#pragma once

#include "engine/actions/action_context.h"
#include "platform/fs/find_files.h"

#include <string>

namespace ob::engine {

/// Sets the variables for `found` in `directory` (as the pattern gave it). Returns
/// OUTCOME_DONE, or the FatalFailure outcome of the first write that failed.
int SetFileVariables(ActionContext& context, const std::string& variable,
                     const std::string& directory, const fs::FindData& found);

} // namespace ob::engine
