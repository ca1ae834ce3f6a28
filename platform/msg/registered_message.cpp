#include "platform/msg/registered_message.h"

#include "platform/lifetime/immortal.h"
#include "platform/msg/message.h"
#include "platform/text/ascii_case.h"

#include <mutex>
#include <string>
#include <unordered_map>

namespace ob::msg {

namespace {

struct RegisteredMessages {
    std::mutex mutex;
    std::unordered_map<std::string, std::uint32_t> ids; // by lower-case name
    std::uint32_t next = WM_REGISTERED_FIRST;
};

} // namespace

std::uint32_t RegisterWindowMessage(std::string_view name) {
    if (name.empty()) {
        return 0;
    }
    try {
        std::string key = text::AsciiLower(name);
        static ob::Immortal<RegisteredMessages> registered;
        RegisteredMessages& table = registered.Get();
        std::lock_guard lock(table.mutex);
        if (auto it = table.ids.find(key); it != table.ids.end()) {
            return it->second;
        }
        if (table.next > WM_REGISTERED_LAST) {
            return 0;
        }
        const std::uint32_t id = table.next++;
        table.ids.emplace(std::move(key), id);
        return id;
    } catch (...) {
        return 0;
    }
}

} // namespace ob::msg
