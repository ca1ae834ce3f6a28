// The record behind a session handle.
//
// Created by OB_CreateSession on the host's thread (the creator thread) and freed
// by OB_DestroySession after the engine thread has ended. The session lock guards
// the flags, the counters, the job queue and every job's statement list; counters
// that other threads poll without the lock (flow control) are atomics as well.
#pragma once

#include "engine/console/command_server.h"
#include "engine/jobs/job_queue.h"
#include "engine/session/engine_calls.h"
#include "engine/scheduling/preview_mailbox.h"
#include "engine/scheduling/run_watchdog.h"
#include "engine/services/shared_library.h"
#include "engine/session/log_ring.h"
#include "engine/session/step_control.h"
#include "obrenta/obrenta.h"
#include "obrenta/service.h"
#include "platform/diagnostics/assert.h"
#include "platform/msg/critical_section.h"
#include "platform/msg/event.h"
#include "platform/msg/message.h"
#include "platform/msg/thread.h"
#include "vbscript/script_control.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace ob::engine {

/// A loaded service module (filled by the service loader, engine/services). It owns
/// its libraries: they are closed when the session's service list goes away, the
/// service's own library before the dependencies it was loaded after.
class RunHistory;

struct ServiceModule {
    std::string name;                   ///< as given to -load -service
    OB_ServiceMain entry = nullptr;     ///< the library's service_main
    std::vector<SharedLibrary> modules; ///< the `module` libraries, in load order
    SharedLibrary library;              ///< the `library` that exports the entry
};

/// The record behind a session handle (see the top of this file).
struct EngineSession {
    EngineSession() = default;
    EngineSession(const EngineSession&) = delete;
    EngineSession& operator=(const EngineSession&) = delete;

    /// Incremented before and decremented after every internal entry into the
    /// session lock; diagnostic only.
    std::atomic<std::uint32_t> lockNesting{0};
    /// Each job the parser opens takes this number ("JOB:%X") and increments it.
    std::uint32_t nextJobNumber = 516;
    /// The queued jobs, in load order (guarded by `lock`).
    JobQueue jobs;
    /// The session lock (OB_Lock/OB_Unlock expose it); recursive.
    msg::CriticalSection lock;
    msg::ThreadId engineThreadId = 0;
    /// The thread that called OB_CreateSession: exempt from event flow control.
    msg::ThreadId creatorThreadId = 0;
    /// Receives every EngineEvent.
    msg::Hwnd hostWindow = 0;
    /// The hidden window the automation library sends its messages to.
    msg::Hwnd relayWindow = 0;
    std::unique_ptr<msg::Thread> engineThread;
    /// Set when a start-up phase or a synchronisation request is done.
    msg::Event ready{msg::Event::Reset::Manual};
    /// Set at the end of every scheduler tick (OB_WaitTick).
    msg::Event tick{msg::Event::Reset::Manual};
    /// Pulsed by OB_Wakeup; ends a -sleep as a break.
    msg::Event wakeup{msg::Event::Reset::Manual};
    /// Set by OB_Break, reset at every tick; actions test it before each statement.
    msg::Event breakEvent{msg::Event::Reset::Manual};
    /// The service modules loaded with -load -service (guarded by `lock`).
    std::vector<ServiceModule> services;
    /// The host's value given to OB_CreateSession, copied into every EngineEvent.
    std::uint32_t cookie = 0;
    /// The session flags SF_*.
    std::atomic<std::uint32_t> flags{0};
    /// Events posted to the host and not yet acknowledged (flow control counts it).
    std::atomic<std::uint32_t> pending{0};
    /// How ticks and event posting are paced, set through OB_PARAM_STEP.
    std::atomic<StepMode> stepMode{StepMode::FreeRunning};
    /// Whether the next tick may run a pass or the session is paused.
    std::atomic<StepState> stepState{StepState::Running};
    /// Number stamped into the next EngineEvent, then incremented.
    std::atomic<std::uint32_t> sequence{0};
    /// Events the host has handed back with OB_AckMessage.
    std::atomic<std::uint32_t> acknowledged{0};
    /// Jobs whose actions are executing, most recent first (engine thread only).
    std::vector<Job*> runningJobs;
    /// Set by the -logfile directive.
    std::string logFile;
    /// Written by the relay window on OB_EXCEPTION, read by the script bridge.
    std::string scriptErrorText;
    /// 3 after OB_EXCEPTION kind 0 (a script error and its text), 1 after kind 1.
    std::uint32_t scriptErrorState = 0;
    /// The script control, created in phase III on the engine thread.
    std::unique_ptr<vbscript::ScriptControl> script;
    /// The script control's result value, kept with it from phase III on.
    std::string scriptResult;
    /// The Telnet console's state (engine thread only).
    CommandServer console;
    /// The last 5000 lines given to OB_LogOutput (guarded by `lock`).
    LogRing log;
    /// Engine thread's tick timer id (engine thread only).
    std::uintptr_t tickTimer = 0;
    /// Work other threads wait for on the engine thread (run on EM_CALL).
    EngineCalls calls;
    /// Schedule previews other threads wait for (answered on EM_PREVIEW).
    PreviewMailbox previews;
    /// The run history, once the host enabled it: set once (under `lock`) and kept
    /// as long as the session; `history` is read without the lock.
    std::shared_ptr<RunHistory> historyOwner;
    std::atomic<RunHistory*> history{nullptr};
    /// Tells the host about a run that holds up the engine thread. Declared last, so
    /// that its thread ends before anything it uses goes.
    RunWatchdog watchdog{*this};
};

/// Enters the session lock for a scope, counting the nesting.
class SessionLock {
public:
    explicit SessionLock(EngineSession& session) : session_(session) {
        ++session_.lockNesting;
        session_.lock.Enter();
    }
    ~SessionLock() {
        // Every exit matches an entry of this thread: the lock is held, and counted.
        OB_ASSERT(session_.lock.OwnedByCurrentThread());
        OB_ASSERT(session_.lockNesting.load() > 0);
        session_.lock.Leave();
        --session_.lockNesting;
    }
    SessionLock(const SessionLock&) = delete;
    SessionLock& operator=(const SessionLock&) = delete;

private:
    EngineSession& session_;
};

} // namespace ob::engine
