// The relay window: a hidden "STATIC" window titled "%X:Relay" (the process id)
// on the engine thread, subclassed so that the automation library can reach the
// engine by sending registered messages to it. WPARAM carries the session, LPARAM
// the payload; both must be set (and the session alive) for a message to act.
#pragma once

#include "engine/session/relay_protocol.h"
#include "platform/msg/message.h"

#include <cstdint>

namespace ob::engine {

struct EngineSession;

/// Creates, subclasses, looks up and pings the relay window (engine thread, phase
/// II). Returns the window, or 0 when it could not be found again.
msg::Hwnd CreateRelayWindow(EngineSession& session);

/// Destroys the session's relay window (engine thread, shut-down).
void DestroyRelayWindow(EngineSession& session);

} // namespace ob::engine
