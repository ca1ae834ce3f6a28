#include "engine/session/relay_window.h"

#include "engine/session/engine_messages.h"
#include "engine/session/engine_session.h"
#include "engine/session/event_poster.h"
#include "engine/session/output.h"
#include "engine/session/session_registry.h"
#include "platform/msg/message_queue.h"
#include "platform/msg/registered_message.h"
#include "platform/msg/window.h"

#include <atomic>
#include <cstdio>
#include <string>
#include <unistd.h>

namespace ob::engine {
namespace {

struct RelayMessages {
    std::uint32_t ping = msg::RegisterWindowMessage(kRelayPingName);
    std::uint32_t print = msg::RegisterWindowMessage(kPrintName);
    std::uint32_t exception = msg::RegisterWindowMessage(kExceptionName);
    std::uint32_t update = msg::RegisterWindowMessage(kUpdateName);
};

const RelayMessages& Messages() {
    static const RelayMessages messages;
    return messages;
}

// Every relay window subclasses "STATIC", so they share the previous procedure.
std::atomic<msg::WindowProc> previousProc{nullptr};

std::string Text(const char* text) {
    return text != nullptr ? std::string(text) : std::string();
}

void Handle(EngineSession& session, std::uint32_t message, msg::LPARAM payload) {
    const RelayMessages& ids = Messages();
    if (message == ids.print) {
        PrintText(session, reinterpret_cast<const char*>(payload), true);
    } else if (message == ids.exception) {
        const auto* record = reinterpret_cast<const RelayException*>(payload);
        if (record->kind == 0) {
            session.scriptErrorText = Text(record->text);
            session.scriptErrorState = 3;
        } else if (record->kind == 1) {
            session.scriptErrorState = 1;
        }
    } else if (message == ids.update) {
        const auto* record = reinterpret_cast<const RelayUpdate*>(payload);
        const std::string joined = Text(record->item) + "\r" + Text(record->value) + "\r" +
                                   Text(record->attribute) + "\r" + Text(record->attributeValue);
        PostTextEvent(session, OB_EV_UPDATE, joined);
    }
}

msg::LRESULT RelayProc(msg::Hwnd hwnd, std::uint32_t message, msg::WPARAM wParam,
                       msg::LPARAM lParam) {
    if (message >= msg::WM_REGISTERED_FIRST && message <= msg::WM_REGISTERED_LAST) {
        if (message == Messages().ping) {
            return kRelayPingAnswer;
        }
        // The session arrives as a number from another library: use it only when
        // it names a live session.
        if (lParam != 0) {
            if (auto session = FindSession(reinterpret_cast<OB_SESSION>(wParam))) {
                Handle(*session, message, lParam);
            }
        }
    }
    return msg::CallWindowProc(previousProc.load(), hwnd, message, wParam, lParam);
}

} // namespace

msg::Hwnd CreateRelayWindow(EngineSession& session) {
    char title[32];
    std::snprintf(title, sizeof title, "%X:Relay", static_cast<unsigned>(::getpid()));
    const msg::Hwnd created = msg::CreateWindow(msg::kStaticClass, title);
    if (created == 0) {
        return 0;
    }
    const msg::WindowProc previous = msg::SetWindowProc(created, RelayProc);
    if (previous != RelayProc) {
        previousProc.store(previous);
    }
    // Look the window up again as a client would; several sessions of one process
    // share the title, so the session keeps the window it created itself.
    if (msg::FindWindow(msg::kStaticClass, title) == 0) {
        return 0;
    }
    session.relayWindow = created;
    msg::SendMessage(created, Messages().ping, 0, 0);
    return created;
}

void DestroyRelayWindow(EngineSession& session) {
    if (session.relayWindow != 0) {
        msg::DestroyWindow(session.relayWindow);
        session.relayWindow = 0;
    }
}

} // namespace ob::engine
