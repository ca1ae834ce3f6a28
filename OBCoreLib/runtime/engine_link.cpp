#include "OBCoreLib/runtime/engine_link.h"

#include "engine/session/relay_protocol.h"

#include "platform/msg/message_queue.h"
#include "platform/msg/registered_message.h"
#include "platform/msg/window.h"

namespace ob::corelib {

const RelayMessageIds& RelayMessages() {
    static const RelayMessageIds ids{
        msg::RegisterWindowMessage(engine::kRelayPingName),
        msg::RegisterWindowMessage(engine::kPrintName),
        msg::RegisterWindowMessage(engine::kExceptionName),
        msg::RegisterWindowMessage(engine::kUpdateName),
    };
    return ids;
}

namespace {

// Registers the names when the library is loaded, as the engine does at start-up.
const RelayMessageIds& registeredAtLoad = RelayMessages();

} // namespace

void EngineLink::Setup(std::int32_t selector, std::int64_t value) {
    if (selector == 0) {
        window_ = static_cast<msg::Hwnd>(value);
        if (msg::IsWindow(window_)) {
            msg::SendMessage(window_, RelayMessages().ping, 0, 0);
        }
    } else if (selector == 1) {
        context_ = static_cast<msg::WPARAM>(value);
    }
}

void EngineLink::Send(std::uint32_t message, msg::LPARAM payload) const {
    if (window_ != 0 && msg::IsWindow(window_)) {
        msg::SendMessage(window_, message, context_, payload);
    }
}

void EngineLink::Print(const std::string& text) const {
    Send(RelayMessages().print, reinterpret_cast<msg::LPARAM>(text.c_str()));
}

void EngineLink::Return(const std::string& action) const {
    const engine::RelayException record{0, action.c_str()};
    Send(RelayMessages().exception, reinterpret_cast<msg::LPARAM>(&record));
}

void EngineLink::Raise() const {
    const engine::RelayException record{1, nullptr};
    Send(RelayMessages().exception, reinterpret_cast<msg::LPARAM>(&record));
}

void EngineLink::AddUpdateInfo(const std::string& item, const std::string& value,
                               const std::string& attribute,
                               const std::string& attributeValue) const {
    const engine::RelayUpdate record{item.c_str(), value.c_str(), attribute.c_str(),
                                     attributeValue.c_str()};
    Send(RelayMessages().update, reinterpret_cast<msg::LPARAM>(&record));
}

} // namespace ob::corelib
