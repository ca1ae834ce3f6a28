// How an export reaches its session: looked up by handle first, so a null or stale
// handle gives OB_INVALID with no side effect, and nothing thrown leaves the export.
#pragma once

#include "engine/session/engine_session.h"
#include "engine/session/session_registry.h"
#include "obrenta/obrenta.h"

#include <cstdint>

namespace ob::engine {

/// Runs `body` on a live session; OB_INVALID for a null or unknown handle, and for
/// anything thrown.
template <typename Body> std::uint32_t WithSession(OB_SESSION handle, Body&& body) {
    try {
        auto session = FindSession(handle);
        if (!session) {
            return OB_INVALID;
        }
        return body(*session);
    } catch (...) {
        return OB_INVALID;
    }
}

} // namespace ob::engine
