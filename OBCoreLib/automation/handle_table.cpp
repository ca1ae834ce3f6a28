#include "OBCoreLib/automation/handle_table.h"

#include "platform/lifetime/immortal.h"

#include <limits>
#include <mutex>
#include <unordered_map>

namespace ob::corelib {

struct HandleTable::Impl {
    mutable std::mutex mutex;
    std::unordered_map<std::int32_t, std::shared_ptr<HandlePayload>> entries;
    std::int32_t next = 1;

    // The next id not in use; ids wrap from the largest back to 1.
    std::int32_t TakeId() {
        while (entries.contains(next)) {
            Advance();
        }
        const std::int32_t id = next;
        Advance();
        return id;
    }
    void Advance() { next = next == std::numeric_limits<std::int32_t>::max() ? 1 : next + 1; }
};

HandleTable::HandleTable() : impl_(std::make_unique<Impl>()) {}

HandleTable::~HandleTable() = default;

HandleTable& HandleTable::Process() {
    // Handles may be freed by scripts on threads that outlive main().
    static Immortal<HandleTable> table;
    return table.Get();
}

std::int32_t HandleTable::Add(std::shared_ptr<HandlePayload> payload) {
    if (!payload) {
        return 0;
    }
    std::lock_guard lock(impl_->mutex);
    if (impl_->entries.size() >= kMaxHandles) {
        return 0;
    }
    const std::int32_t id = impl_->TakeId();
    impl_->entries.emplace(id, std::move(payload));
    return id;
}

std::shared_ptr<HandlePayload> HandleTable::Find(std::int32_t handle, HandleKind kind) const {
    std::lock_guard lock(impl_->mutex);
    const auto it = impl_->entries.find(handle);
    if (it == impl_->entries.end() || it->second->Kind() != kind) {
        return nullptr;
    }
    return it->second;
}

HandleTable::FreeResult HandleTable::Free(std::int32_t handle) {
    std::shared_ptr<HandlePayload> payload;
    {
        std::lock_guard lock(impl_->mutex);
        const auto it = impl_->entries.find(handle);
        if (it == impl_->entries.end()) {
            return FreeResult::Unknown;
        }
        payload = std::move(it->second);
        impl_->entries.erase(it);
    }
    // Closing may take time (an FTP session says goodbye): not under the lock.
    return payload->Close() ? FreeResult::Closed : FreeResult::CloseFailed;
}

std::size_t HandleTable::Count() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->entries.size();
}

} // namespace ob::corelib
