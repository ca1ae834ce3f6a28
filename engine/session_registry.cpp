#include "engine/session_registry.h"

#include "engine/engine_session.h"

#include <mutex>
#include <unordered_map>

namespace ob::engine {
namespace {

std::mutex registryMutex;

std::unordered_map<const EngineSession*, std::shared_ptr<EngineSession>>& Sessions() {
    static std::unordered_map<const EngineSession*, std::shared_ptr<EngineSession>> sessions;
    return sessions;
}

} // namespace

void RegisterSession(const std::shared_ptr<EngineSession>& session) {
    std::lock_guard lock(registryMutex);
    Sessions()[session.get()] = session;
}

std::shared_ptr<EngineSession> UnregisterSession(const EngineSession* session) {
    std::lock_guard lock(registryMutex);
    auto it = Sessions().find(session);
    if (it == Sessions().end()) {
        return nullptr;
    }
    std::shared_ptr<EngineSession> owned = std::move(it->second);
    Sessions().erase(it);
    return owned;
}

std::shared_ptr<EngineSession> FindSession(const EngineSession* session) {
    if (session == nullptr) {
        return nullptr;
    }
    std::lock_guard lock(registryMutex);
    auto it = Sessions().find(session);
    return it == Sessions().end() ? nullptr : it->second;
}

} // namespace ob::engine
