#include "engine/session/event_poster.h"

#include "engine/session/engine_session.h"
#include "engine/session/outstanding_events.h"
#include "engine/session/session_registry.h"
#include "platform/msg/message_queue.h"
#include "platform/msg/registered_message.h"
#include "platform/msg/window.h"

#include <cstring>
#include <memory>
#include <sched.h>

namespace ob::engine {
namespace {

std::unique_ptr<char[]> CopyText(std::string_view text) {
    auto copy = std::make_unique<char[]>(text.size() + 1);
    std::memcpy(copy.get(), text.data(), text.size());
    copy[text.size()] = '\0';
    return copy;
}

// Step 1 and 2 of posting: wait for the host while too many events are pending
// or the engine is paused in single-step mode. Returns the spins spent.
std::uint32_t WaitForHost(EngineSession& session, bool isCreator) {
    std::uint32_t spins = 0;
    if (isCreator) {
        return 0;
    }
    const std::uint32_t limit =
        session.stepMode.load() == StepMode::StrictFlowControl ? 1 : kPendingLimit;
    if (session.pending.load() >= limit) {
        while (session.pending.load() != 0 && spins < kMaxSpins) {
            ::sched_yield();
            ++spins;
        }
        ::sched_yield();
    }
    while (session.stepState.load() == StepState::Paused) {
        ::sched_yield();
    }
    return spins;
}

void Post(EngineSession& session, std::uint32_t code, std::uintptr_t data,
          std::unique_ptr<char[]> text) {
    const bool isCreator = msg::GetCurrentThreadId() == session.creatorThreadId;
    const std::uint32_t spins = WaitForHost(session, isCreator);

    auto event = std::make_unique<EngineEvent>();
    event->cookie = session.cookie;
    event->code = code;
    event->session = HandleOf(session);
    event->spins = spins & 0xFFFFu;
    if (text) {
        event->data = reinterpret_cast<std::uintptr_t>(text.release());
        event->ownsText = 1;
    } else {
        event->data = data;
        event->ownsText = 0;
    }
    {
        SessionLock lock(session);
        event->pending = session.pending.fetch_add(1);
        event->sequence = session.sequence.fetch_add(1);
    }

    static const std::uint32_t eventMessage = msg::RegisterWindowMessage("WM_OBRENTA_EVENT");
    EngineEvent* raw = AddOutstanding(std::move(event));
    const auto lParam = reinterpret_cast<msg::LPARAM>(raw);
    if (msg::PostMessage(session.hostWindow, eventMessage, 0, lParam)) {
        return;
    }
    if (!isCreator) {
        for (std::uint32_t attempt = 0; attempt < kMaxSpins; ++attempt) {
            ::sched_yield();
            if (!msg::IsWindow(session.hostWindow)) {
                break; // a window that is gone will not come back
            }
            if (msg::PostMessage(session.hostWindow, eventMessage, 0, lParam)) {
                return;
            }
        }
    }
    ReleaseEvent(raw);
}

} // namespace

void PostEvent(EngineSession& session, std::uint32_t code, std::uintptr_t data) {
    Post(session, code, data, nullptr);
}

void PostTextEvent(EngineSession& session, std::uint32_t code, std::string_view text) {
    Post(session, code, 0, CopyText(text));
}

bool ReleaseEvent(EngineEvent* event) {
    std::unique_ptr<EngineEvent> owned = TakeOutstanding(event);
    if (!owned) {
        return false;
    }
    if (auto session = FindSession(owned->session)) {
        SessionLock lock(*session);
        ++session->acknowledged;
        --session->pending;
    }
    FreeEvent(std::move(owned));
    return true;
}

} // namespace ob::engine
