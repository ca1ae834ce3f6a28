// The sessions of this process. A session handle given to an export is looked up
// here before use, so a null, stale or foreign handle is refused instead of
// dereferenced, and the session stays alive for the length of the call even if
// another thread destroys it meanwhile. Any thread.
#pragma once

#include <memory>

struct EngineSession;

namespace ob::engine {

/// Adds a session; the registry holds one reference until Unregister.
void RegisterSession(const std::shared_ptr<EngineSession>& session);
/// Removes it; returns the registry's reference (null when it was not there).
std::shared_ptr<EngineSession> UnregisterSession(const EngineSession* session);
/// The live session behind a handle, or null.
std::shared_ptr<EngineSession> FindSession(const EngineSession* session);

} // namespace ob::engine
