// The core dump: after a fatal action error the whole queue is appended to a text
// file in the job-script language, so that it can be read and loaded again. The
// file is the host program's path with ".core" appended.
#pragma once

#include <string>

namespace ob::engine {

struct EngineSession;

/// The core dump's path for this process ("" when the program path is unknown).
std::string CoreDumpPath();

/// Appends a dump of every queued job to `path`. 1 written, 0 the file could not be
/// opened ("Unable to open core file: " at level bit 1). Engine thread; takes the
/// session lock while it walks the queue.
int WriteCoreDump(EngineSession& session, const std::string& path);

} // namespace ob::engine
