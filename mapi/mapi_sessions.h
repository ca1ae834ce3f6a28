// Open Simple MAPI sessions: each handle is a small id (from 1, never reused)
// standing for the profile the session was opened on. Any thread.
#pragma once

#include "mapi/mail_settings.h"
#include "obrenta/mapi.h"

#include <cstddef>
#include <mutex>
#include <optional>
#include <unordered_map>

namespace ob::mapi {

class SessionTable {
public:
    /// Sessions one process may hold open at once.
    static constexpr std::size_t kMaxSessions = 256;

    /// MAPI_E_TOO_MANY_SESSIONS when kMaxSessions are open.
    MapiResult Open(Profile profile, LHANDLE& handle);
    /// False when no such session is open.
    bool Close(LHANDLE handle);
    std::optional<Profile> Find(LHANDLE handle) const;
    std::size_t Size() const;

private:
    mutable std::mutex lock_;
    std::unordered_map<LHANDLE, Profile> sessions_;
    LHANDLE next_ = 1;
};

/// The process's sessions.
SessionTable& Sessions();

} // namespace ob::mapi
