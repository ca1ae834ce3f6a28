#include "platform/installer/installer_session.h"

#include "platform/lifetime/immortal.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>

namespace ob::installer {
namespace {

using Properties = std::map<std::string, std::string, std::less<>>;

struct SessionTable {
    std::mutex mutex;
    MsiHandle next = 1;
    std::map<MsiHandle, Properties> sessions;
};

SessionTable& Table() {
    static Immortal<SessionTable> table;
    return table.Get();
}

} // namespace

MsiHandle OpenSession() {
    SessionTable& table = Table();
    std::lock_guard<std::mutex> hold(table.mutex);
    const MsiHandle handle = table.next++;
    table.sessions.emplace(handle, Properties{});
    return handle;
}

bool CloseSession(MsiHandle handle) {
    SessionTable& table = Table();
    std::lock_guard<std::mutex> hold(table.mutex);
    return table.sessions.erase(handle) != 0;
}

std::uint32_t MsiGetProperty(MsiHandle handle, const char* name, char* buffer,
                             std::uint32_t* length) {
    if (name == nullptr || length == nullptr || (buffer == nullptr && *length != 0)) {
        return ERROR_INVALID_PARAMETER;
    }
    const std::optional<std::string> value = GetProperty(handle, name);
    if (!value) {
        return ERROR_INVALID_HANDLE;
    }
    const std::uint32_t size = *length;
    *length = static_cast<std::uint32_t>(std::min<std::size_t>(value->size(), UINT32_MAX));
    if (size == 0) {
        return ERROR_MORE_DATA;
    }
    const std::size_t copied = std::min<std::size_t>(value->size(), size - 1);
    std::memcpy(buffer, value->data(), copied);
    buffer[copied] = '\0';
    return copied < value->size() ? ERROR_MORE_DATA : ERROR_SUCCESS;
}

std::uint32_t MsiSetProperty(MsiHandle handle, const char* name, const char* value) {
    if (name == nullptr || *name == '\0') {
        return ERROR_INVALID_PARAMETER;
    }
    SessionTable& table = Table();
    std::lock_guard<std::mutex> hold(table.mutex);
    const auto session = table.sessions.find(handle);
    if (session == table.sessions.end()) {
        return ERROR_INVALID_HANDLE;
    }
    if (value == nullptr || *value == '\0') {
        session->second.erase(std::string(name));
    } else {
        session->second.insert_or_assign(std::string(name), std::string(value));
    }
    return ERROR_SUCCESS;
}

std::optional<std::string> GetProperty(MsiHandle handle, std::string_view name) {
    SessionTable& table = Table();
    std::lock_guard<std::mutex> hold(table.mutex);
    const auto session = table.sessions.find(handle);
    if (session == table.sessions.end()) {
        return std::nullopt;
    }
    const auto property = session->second.find(name);
    return property == session->second.end() ? std::string() : property->second;
}

} // namespace ob::installer
