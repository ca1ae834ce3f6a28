// The sessions of this process. A session handle given to an export is looked up
// here before use, so a null, stale or foreign handle is refused instead of
// dereferenced, and the session stays alive for the length of the call even if
// another thread destroys it meanwhile. Any thread.
#pragma once

#include "obrenta/obrenta.h"

#include <memory>

namespace ob::engine {

struct EngineSession;

/// The handle a host holds for a session: its address, never dereferenced as such.
OB_SESSION HandleOf(const EngineSession& session);

/// Adds a session; the registry holds one reference until Unregister.
void RegisterSession(const std::shared_ptr<EngineSession>& session);
/// Removes it; returns the registry's reference (null when it was not there).
std::shared_ptr<EngineSession> UnregisterSession(OB_SESSION handle);
/// The live session behind a handle, or null.
std::shared_ptr<EngineSession> FindSession(OB_SESSION handle);

} // namespace ob::engine
