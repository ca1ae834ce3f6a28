#include "engine/session/engine_thread.h"

#include "engine/scheduling/scheduler.h"
#include "engine/session/engine_messages.h"
#include "engine/session/engine_session.h"
#include "engine/session/relay_window.h"
#include "platform/msg/message_queue.h"
#include "platform/msg/thread_timer.h"
#include "platform/msg/window.h"

#include <vector>

namespace ob::engine {
namespace {

enum class Answer { Continue, Stop };

constexpr std::uint32_t kDdeFirst = 992;
constexpr std::uint32_t kDdeLast = 1000;
constexpr std::uint32_t kTickInterval = 1000;

void PhaseWork(EngineSession& session, std::uintptr_t phase) {
    if (phase == 2) {
        session.tickTimer = msg::SetTimer(0, 0, kTickInterval);
        CreateRelayWindow(session);
        session.ready.Set();
    } else if (phase == 3) {
        // The session's script host: no time-out, user interface allowed.
        session.script = vbscript::CreateScriptControl("VBScript");
        if (session.script) {
            session.script->SetTimeout(-1);
            session.script->SetAllowUI(true);
        }
        session.ready.Set();
    }
}

void SendToEngineWindows(EngineSession& session, msg::LPARAM job) {
    msg::EnumThreadWindows(session.engineThreadId, [job](msg::Hwnd hwnd) {
        msg::SendMessage(hwnd, EM_CLOSE_WINDOWS, 0, job);
        return true;
    });
}

Answer EngineHandler(EngineSession& session, const msg::Message& m) {
    if (m.message == msg::WM_TIMER) {
        session.breakEvent.ResetEvent();
        Tick(session);
        session.tick.Set();
        return Answer::Continue;
    }
    switch (m.message) {
    case EM_SHUTDOWN:
        if (session.tickTimer != 0) {
            msg::KillTimer(0, session.tickTimer);
            session.tickTimer = 0;
        }
        SendToEngineWindows(session, 0);
        DestroyRelayWindow(session);
        session.script.reset();
        return Answer::Stop;
    case EM_CLOSE_WINDOWS:
        SendToEngineWindows(session, m.lParam);
        return Answer::Continue;
    case EM_PHASE:
        PhaseWork(session, m.wParam);
        return Answer::Continue;
    case EM_RUN_JOB: {
        auto* job = reinterpret_cast<Job*>(m.wParam);
        bool queued = false;
        {
            SessionLock lock(session);
            queued = session.jobs.Contains(job);
        }
        if (queued) {
            // One step outside any pass: nothing follows it that the result steers.
            static_cast<void>(ProcessOneJob(session, job));
        }
        return Answer::Continue;
    }
    case EM_SYNC:
        session.ready.Set();
        return Answer::Continue;
    case EM_CALL:
        session.calls.RunWaiting(session);
        return Answer::Continue;
    case EM_PREVIEW:
        session.previews.Answer(session);
        return Answer::Continue;
    default:
        return Answer::Continue;
    }
}

// The command server's own handler: start, stop, its connection messages and its
// timer. False reports a failure, after which the loop stops feeding it.
bool ConsoleHandler(EngineSession& session, const msg::Message& m) {
    switch (m.message) {
    case EM_CONSOLE_START:
        return session.console.Start(session);
    case EM_CONSOLE_STOP:
        session.console.Stop();
        return true;
    default:
        return session.console.HandleMessage(session, m.message, m.wParam, m.lParam);
    }
}

bool IsTickTimer(const EngineSession& session, const msg::Message& m) {
    return m.message == msg::WM_TIMER && session.tickTimer != 0 && m.wParam == session.tickTimer;
}

bool IsConsoleTimer(const EngineSession& session, const msg::Message& m) {
    return m.message == msg::WM_TIMER && session.console.TimerId() != 0 &&
           m.wParam == session.console.TimerId();
}

} // namespace

std::uint32_t EngineThreadMain(std::shared_ptr<EngineSession> owner) {
    EngineSession& session = *owner;
    msg::Message m;
    msg::PeekMessage(m, 1024, 1024, msg::PM_NOREMOVE); // creates the queue
    session.ready.Set();

    while (msg::GetMessage(m) > 0) {
        if (m.hwnd != 0) {
            if (m.message < kDdeFirst || m.message > kDdeLast) {
                msg::DispatchMessage(m);
            }
            continue;
        }
        if ((m.message >= 1024 && m.message <= 1031) || m.message == EM_CALL ||
            IsTickTimer(session, m)) {
            if (EngineHandler(session, m) == Answer::Stop) {
                msg::Message stop;
                stop.message = EM_CONSOLE_STOP;
                if (!session.console.Disabled()) {
                    ConsoleHandler(session, stop);
                }
                return 0;
            }
            continue;
        }
        // The console's messages (stop, start, close, command line, logon result)
        // and its timer go to its handler once each.
        const bool forConsole = (m.message >= EM_CONSOLE_STOP && m.message <= EM_CONSOLE_LOGON) ||
                                IsConsoleTimer(session, m);
        if (forConsole && !session.console.Disabled() && !ConsoleHandler(session, m)) {
            session.console.Disable();
        }
    }
    return 0;
}

} // namespace ob::engine
