// OB_CreateSession and OB_DestroySession: bringing a session up through its four
// start-up phases and taking it down again.

#include "engine/session/engine_messages.h"
#include "engine/session/engine_session.h"
#include "engine/session/engine_thread.h"
#include "engine/session/output.h"
#include "engine/session/session_registry.h"
#include "platform/msg/message_queue.h"

#include <memory>

namespace ob::engine {
namespace {

constexpr std::uint32_t kPhaseOneTimeout = 5000;
constexpr std::uint32_t kPhaseTwoTimeout = 5000;
constexpr std::uint32_t kPhaseThreeTimeout = 15000;
constexpr std::uint32_t kPhaseFourTimeout = 15000;
constexpr std::uint32_t kShutdownTimeout = 5000;

// Resets the ready event, posts a start-up message and waits for the answer.
bool RunPhase(EngineSession& session, std::uint32_t message, std::uintptr_t phase,
              std::uint32_t timeoutMs) {
    session.ready.ResetEvent();
    msg::PostThreadMessage(session.engineThreadId, message, phase, 0);
    return session.ready.Wait(timeoutMs);
}

std::uint32_t CreateSession(OB_SESSION* handle, OB_HWND hostWindow, std::uint32_t cookie) {
    auto session = std::make_shared<EngineSession>();
    session->cookie = cookie;
    RegisterSession(session);
    *handle = HandleOf(*session);

    session->creatorThreadId = msg::GetCurrentThreadId();
    session->hostWindow = hostWindow;
    session->ready.ResetEvent();
    // The thread takes its own reference when it starts (the creator holds one until
    // then); a weak one in the body avoids a cycle through the Thread object.
    session->engineThread = std::make_unique<msg::Thread>(
        [weak = std::weak_ptr<EngineSession>(session)]() -> std::uint32_t {
            auto owner = weak.lock();
            return owner ? EngineThreadMain(std::move(owner)) : 0;
        },
        true);
    session->engineThreadId = session->engineThread->Id();
    session->engineThread->Resume();

    if (!session->ready.Wait(kPhaseOneTimeout)) {
        return OB_STARTUP_TIMEOUT;
    }
    if (!RunPhase(*session, EM_PHASE, 2, kPhaseTwoTimeout)) {
        return OB_STARTUP_TIMEOUT;
    }
    SystemMessage(*session, "PHASE I: Engine started.", LEVEL_STARTUP);
    SystemMessage(*session, "PHASE II: Critical systems initialized.", LEVEL_STARTUP);
    if (!RunPhase(*session, EM_PHASE, 3, kPhaseThreeTimeout)) {
        SystemMessage(*session, "OB_CreateSession::PHASE III exiting with WAIT_TIMEOUT",
                      LEVEL_STARTUP);
        return OB_STARTUP_TIMEOUT;
    }
    SystemMessage(*session, "PHASE III: VBScript initialized.", LEVEL_STARTUP);
    if (!RunPhase(*session, EM_CONSOLE_START, 4, kPhaseFourTimeout)) {
        SystemMessage(*session, "OB_CreateSession::PHASE IV exiting with WAIT_TIMEOUT",
                      LEVEL_STARTUP);
        return OB_STARTUP_TIMEOUT;
    }
    SystemMessage(*session, "PHASE IV: Commandline Server initialized.", LEVEL_STARTUP);
    return OB_OK;
}

std::uint32_t DestroySession(OB_SESSION* handle) {
    std::shared_ptr<EngineSession> session = FindSession(*handle);
    if (!session) {
        return OB_INVALID;
    }
    const bool onEngineThread =
        msg::GetCurrentThreadId() == session->engineThreadId && session->engineThreadId != 0;
    if (onEngineThread && (session->flags.load() & SF_NO_SELF_DESTROY) != 0) {
        return OB_BUSY;
    }
    if (!UnregisterSession(*handle)) {
        return OB_INVALID; // destroyed by another thread meanwhile
    }
    *handle = nullptr;
    if (session->engineThread) {
        // A job still running (a -sleep, a loop) is asked to end, so that the engine
        // thread reaches its shut-down message instead of being given up.
        session->breakEvent.Set();
        session->wakeup.Pulse();
        msg::PostThreadMessage(session->engineThreadId, EM_SHUTDOWN, 0, 0);
        // The engine thread cannot wait for itself; nor can a thread that will not
        // end be killed safely. In both cases it is left to finish on its own: it
        // holds its own reference to the session, so nothing it uses is freed
        // under it.
        if (onEngineThread || !session->engineThread->JoinFor(kShutdownTimeout)) {
            session->engineThread->Abandon();
        }
    }
    // The services, the queue, the events, the lock and the record go with the last
    // reference.
    return OB_OK;
}

} // namespace
} // namespace ob::engine

extern "C" {

OB_EXPORT uint32_t OB_CreateSession(OB_SESSION* session, OB_HWND hostWindow, uint32_t cookie) {
    if (session == nullptr) {
        return OB_INVALID;
    }
    try {
        return ob::engine::CreateSession(session, hostWindow, cookie);
    } catch (...) {
        return OB_STARTUP_TIMEOUT;
    }
}

OB_EXPORT uint32_t OB_DestroySession(OB_SESSION* session) {
    if (session == nullptr || *session == nullptr) {
        return OB_INVALID;
    }
    try {
        return ob::engine::DestroySession(session);
    } catch (...) {
        return OB_INVALID;
    }
}

} // extern "C"
