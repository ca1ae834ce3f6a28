// Obsolete job-script syntax that the parser still accepts by rewriting it into
// today's statements: "-command", "-action -sendkeys" and "-action -inc". Every
// rewritten statement carries a warning comment, printed each time the statement
// is reached.
#pragma once

#include "engine/jobs/job.h"

#include <string_view>

namespace ob::engine {

struct EngineSession;

inline constexpr std::string_view kCommandComment =
    "*******\r\nWarning: Using obsolete syntax: -command\r\nPlease see help for -action "
    "-spawn\r\n*******\r\n";
inline constexpr std::string_view kSendKeysComment =
    "*******\r\nWarning: Using obsolete syntax: -action -sendkeys\r\nPlease see help for "
    "Function SendKeys\r\n*******\r\n";
inline constexpr std::string_view kIncrementComment =
    "*******\r\nWarning: Using obsolete syntax: -action -inc\r\nPlease see help for -start "
    "-inc\r\n*******\r\n";

/// Applied when a job's block is complete, before it is queued (loading thread):
/// the first action statement with "-inc" among its leading options becomes inert
/// and gets the warning comment, and its "-inc d h m s" becomes the increment of
/// every start statement of the job that has none. Conflicts and bad syntax are
/// reported as system messages at level bit 64.
void ApplyObsoleteIncrement(EngineSession& session, Job& job);

} // namespace ob::engine
