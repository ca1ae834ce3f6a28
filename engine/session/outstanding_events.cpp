#include "engine/session/outstanding_events.h"

#include <mutex>
#include <unordered_map>

namespace ob::engine {
namespace {

class Registry {
public:
    ~Registry() {
        for (auto& [raw, owned] : records_) {
            FreeEvent(std::move(owned));
        }
    }
    std::mutex mutex;
    std::unordered_map<const EngineEvent*, std::unique_ptr<EngineEvent>> records_;
};

Registry& TheRegistry() {
    static Registry registry;
    return registry;
}

} // namespace

EngineEvent* AddOutstanding(std::unique_ptr<EngineEvent> event) {
    Registry& registry = TheRegistry();
    EngineEvent* raw = event.get();
    std::lock_guard lock(registry.mutex);
    registry.records_.emplace(raw, std::move(event));
    return raw;
}

std::unique_ptr<EngineEvent> TakeOutstanding(EngineEvent* event) {
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    auto it = registry.records_.find(event);
    if (it == registry.records_.end()) {
        return nullptr;
    }
    std::unique_ptr<EngineEvent> owned = std::move(it->second);
    registry.records_.erase(it);
    return owned;
}

void FreeEvent(std::unique_ptr<EngineEvent> event) {
    if (event && event->ownsText != 0 && event->data != 0) {
        std::unique_ptr<char[]> text(reinterpret_cast<char*>(event->data));
    }
}

} // namespace ob::engine
