// Posting EngineEvents to the host window, with the flow control that keeps other
// threads from running more than 204 events (1 in step mode 4) ahead of the host.
// Any thread; the creator thread is exempt from waiting and does not retry.
#pragma once

#include "obrenta/obrenta.h"

#include <cstdint>
#include <string_view>

namespace ob::engine {

struct EngineSession;

/// Flow-control limit of unacknowledged events.
inline constexpr std::uint32_t kPendingLimit = 204;
/// Zero-length sleeps a poster spends at most waiting for the host.
inline constexpr std::uint32_t kMaxSpins = 16384;

/// Posts an event whose data is a number (or 0).
void PostEvent(EngineSession& session, std::uint32_t code, std::uintptr_t data);
/// Posts an event carrying a copy of `text` that OB_AckMessage frees.
void PostTextEvent(EngineSession& session, std::uint32_t code, std::string_view text);

/// Releases an event record as OB_AckMessage does: frees it and counts it
/// acknowledged by its session when that session is still alive. False, with
/// nothing changed, when the record is not outstanding.
bool ReleaseEvent(EngineEvent* event);

} // namespace ob::engine
