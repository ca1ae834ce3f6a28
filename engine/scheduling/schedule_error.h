// How the parsers of time and skip statements report a bad expression: the
// message as an output line, then event 2000 with 1003 so that the host learns that
// a script failed. Any thread that may post to the session's host.
#pragma once

#include <string_view>

namespace ob::engine {

struct EngineSession;

/// PrintText(message, end of line), then PostEvent(2000, 1003).
void ReportScheduleError(EngineSession& session, std::string_view message);

} // namespace ob::engine
