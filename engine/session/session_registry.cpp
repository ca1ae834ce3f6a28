#include "engine/session/session_registry.h"

#include "engine/session/engine_session.h"

#include <mutex>
#include <unordered_map>

namespace ob::engine {
namespace {

std::mutex registryMutex;

// Keyed by handle: a handle is compared, never followed, until it is found here.
std::unordered_map<OB_SESSION, std::shared_ptr<EngineSession>>& Sessions() {
    static std::unordered_map<OB_SESSION, std::shared_ptr<EngineSession>> sessions;
    return sessions;
}

} // namespace

OB_SESSION HandleOf(const EngineSession& session) {
    return reinterpret_cast<OB_SESSION>(const_cast<EngineSession*>(&session));
}

void RegisterSession(const std::shared_ptr<EngineSession>& session) {
    std::lock_guard lock(registryMutex);
    Sessions()[HandleOf(*session)] = session;
}

std::shared_ptr<EngineSession> UnregisterSession(OB_SESSION handle) {
    std::lock_guard lock(registryMutex);
    auto it = Sessions().find(handle);
    if (it == Sessions().end()) {
        return nullptr;
    }
    std::shared_ptr<EngineSession> owned = std::move(it->second);
    Sessions().erase(it);
    return owned;
}

std::shared_ptr<EngineSession> FindSession(OB_SESSION handle) {
    if (handle == nullptr) {
        return nullptr;
    }
    std::lock_guard lock(registryMutex);
    auto it = Sessions().find(handle);
    return it == Sessions().end() ? nullptr : it->second;
}

} // namespace ob::engine
