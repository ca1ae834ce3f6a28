#include "engine/services/service_handle_table.h"

#include "platform/lifetime/immortal.h"
#include "variables/variable_manager.h"

#include <cstdio>

namespace ob::engine {

std::optional<std::uint64_t> ServiceHandleTable::ParseHandle(std::string_view handle) {
    if (handle.empty() || handle.size() > 16) {
        return std::nullopt;
    }
    std::uint64_t id = 0;
    for (const char c : handle) {
        unsigned digit = 0;
        if (c >= '0' && c <= '9') {
            digit = static_cast<unsigned>(c - '0');
        } else if (c >= 'a' && c <= 'f') {
            digit = static_cast<unsigned>(c - 'a' + 10);
        } else if (c >= 'A' && c <= 'F') {
            digit = static_cast<unsigned>(c - 'A' + 10);
        } else {
            return std::nullopt;
        }
        id = (id << 4) | digit;
    }
    if (id == 0) {
        return std::nullopt;
    }
    return id;
}

std::string ServiceHandleTable::FormatHandle(std::uint64_t id) {
    char text[24];
    std::snprintf(text, sizeof text, "%lx", static_cast<unsigned long>(id));
    return text;
}

std::string ServiceHandleTable::Add(std::shared_ptr<ServiceObject> object) {
    std::lock_guard<std::mutex> guard(lock_);
    const std::uint64_t id = nextId_++;
    objects_.emplace(id, std::move(object));
    return FormatHandle(id);
}

std::shared_ptr<ServiceObject> ServiceHandleTable::Find(std::string_view handle) const {
    const auto id = ParseHandle(handle);
    if (!id) {
        return nullptr;
    }
    std::lock_guard<std::mutex> guard(lock_);
    const auto found = objects_.find(*id);
    return found == objects_.end() ? nullptr : found->second;
}

std::shared_ptr<ServiceObject> ServiceHandleTable::FromVariable(const char* variable) const {
    if (variable == nullptr || *variable == '\0') {
        return nullptr;
    }
    const auto text = vars::MainStore().Get(nullptr, variable, vars::ENV_TRANSIENT);
    return text ? Find(*text) : nullptr;
}

bool ServiceHandleTable::Remove(std::string_view handle) {
    const auto id = ParseHandle(handle);
    if (!id) {
        return false;
    }
    std::shared_ptr<ServiceObject> removed; // freed after the lock is released
    std::lock_guard<std::mutex> guard(lock_);
    const auto found = objects_.find(*id);
    if (found == objects_.end()) {
        return false;
    }
    removed = std::move(found->second);
    objects_.erase(found);
    return true;
}

std::size_t ServiceHandleTable::Size() const {
    std::lock_guard<std::mutex> guard(lock_);
    return objects_.size();
}

ServiceHandleTable& ServiceHandles() {
    // Never destroyed: a service object's destructor must not run during exit while
    // another thread may still use the table.
    static Immortal<ServiceHandleTable> table;
    return table.Get();
}

} // namespace ob::engine
