#include "mapi/mapi_sessions.h"

#include "platform/lifetime/immortal.h"

namespace ob::mapi {

MapiResult SessionTable::Open(Profile profile, LHANDLE& handle) {
    std::lock_guard<std::mutex> guard(lock_);
    if (sessions_.size() >= kMaxSessions) {
        return Failure(MAPI_E_TOO_MANY_SESSIONS, "This process already has " +
                                                     std::to_string(kMaxSessions) +
                                                     " mail sessions open.");
    }
    handle = next_++;
    sessions_.emplace(handle, std::move(profile));
    return Success();
}

bool SessionTable::Close(LHANDLE handle) {
    std::lock_guard<std::mutex> guard(lock_);
    return sessions_.erase(handle) == 1;
}

std::optional<Profile> SessionTable::Find(LHANDLE handle) const {
    std::lock_guard<std::mutex> guard(lock_);
    const auto found = sessions_.find(handle);
    if (found == sessions_.end()) {
        return std::nullopt;
    }
    return found->second;
}

std::size_t SessionTable::Size() const {
    std::lock_guard<std::mutex> guard(lock_);
    return sessions_.size();
}

SessionTable& Sessions() {
    static Immortal<SessionTable> table;
    return table.Get();
}

} // namespace ob::mapi
