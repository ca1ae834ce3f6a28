// The core dump: after a fatal action error the whole queue is appended to a text
// file in the job-script language, so that it can be read and loaded again.
//
// The file is "<program name>.core" in the machine store's folder
// ($OBRENTA_MACHINE_DIR, default /var/lib/obrenta), or in the user store's folder
// when the machine store is not writable: an installed program's own folder is not
// writable, and the dump holds every statement as written, passwords included, so
// it is created with mode 0600 (an existing file is set to 0600 as well). Dumps are
// appended to the file until the next one would take it past kMaxCoreFileBytes;
// the file then becomes "<name>.core.1" (replacing the one before) and a new file
// starts. A single dump is cut at that size with a closing note.
#pragma once

#include <cstddef>
#include <string>

namespace ob::engine {

struct EngineSession;

/// Largest core file, and largest single dump.
inline constexpr std::size_t kMaxCoreFileBytes = 16u * 1024u * 1024u;

/// The core dump's path for this process ("" when the program path or the store's
/// folder is unknown).
std::string CoreDumpPath();

/// Appends a dump of every queued job to `path` (creating its folder). 1 written,
/// 0 the file could not be opened or written ("Unable to open core file: " at
/// level bit 1). Engine thread; takes the session lock while it walks the queue.
int WriteCoreDump(EngineSession& session, const std::string& path);

} // namespace ob::engine
