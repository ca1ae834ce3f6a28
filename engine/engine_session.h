// The record behind a session handle.
//
// Created by OB_CreateSession on the host's thread (the creator thread) and freed
// by OB_DestroySession after the engine thread has ended. The session lock guards
// the flags, the counters, the job queue and every job's statement list; counters
// that other threads poll without the lock (flow control) are atomics as well.
#pragma once

#include "engine/console/command_server.h"
#include "engine/job_queue.h"
#include "engine/log_ring.h"
#include "engine/services/shared_library.h"
#include "obrenta/obrenta.h"
#include "obrenta/service.h"
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
struct ServiceModule {
    std::string name;                   ///< as given to -load -service
    OB_ServiceMain entry = nullptr;     ///< the library's service_main
    std::vector<SharedLibrary> modules; ///< the `module` libraries, in load order
    SharedLibrary library;              ///< the `library` that exports the entry
};

} // namespace ob::engine

struct EngineSession {
    EngineSession() = default;
    EngineSession(const EngineSession&) = delete;
    EngineSession& operator=(const EngineSession&) = delete;

    /// Incremented before and decremented after every internal entry into the
    /// session lock; diagnostic only.
    std::atomic<std::uint32_t> lockNesting{0};
    /// Each job the parser opens takes this number ("JOB:%X") and increments it.
    std::uint32_t nextJobNumber = 516;
    ob::engine::JobQueue jobs;
    ob::msg::CriticalSection lock;
    ob::msg::ThreadId engineThreadId = 0;
    ob::msg::ThreadId creatorThreadId = 0;
    ob::msg::Hwnd hostWindow = 0;
    ob::msg::Hwnd relayWindow = 0;
    std::unique_ptr<ob::msg::Thread> engineThread;
    ob::msg::Event ready{ob::msg::Event::Reset::Manual};
    ob::msg::Event tick{ob::msg::Event::Reset::Manual};
    ob::msg::Event wakeup{ob::msg::Event::Reset::Manual};
    ob::msg::Event breakEvent{ob::msg::Event::Reset::Manual};
    std::vector<ob::engine::ServiceModule> services;
    std::uint32_t cookie = 0;
    std::atomic<std::uint32_t> flags{0};
    std::atomic<std::uint32_t> pending{0};
    std::atomic<std::uint32_t> stepMode{0};
    std::atomic<std::uint32_t> stepState{2};
    std::atomic<std::uint32_t> sequence{0};
    std::atomic<std::uint32_t> acknowledged{0};
    /// Jobs whose actions are executing, most recent first (engine thread only).
    std::vector<ob::engine::Job*> runningJobs;
    /// Set by the -logfile directive.
    std::string logFile;
    /// Written by the relay window on OB_EXCEPTION, read by the script bridge.
    std::string scriptErrorText;
    std::uint32_t scriptErrorState = 0;
    /// The script control, created in phase III on the engine thread.
    std::unique_ptr<ob::vbscript::ScriptControl> script;
    std::string scriptResult;
    ob::engine::CommandServer console;
    ob::engine::LogRing log;
    /// Engine thread's tick timer id (engine thread only).
    std::uintptr_t tickTimer = 0;
};

namespace ob::engine {

/// Enters the session lock for a scope, counting the nesting.
class SessionLock {
public:
    explicit SessionLock(EngineSession& session) : session_(session) {
        ++session_.lockNesting;
        session_.lock.Enter();
    }
    ~SessionLock() {
        session_.lock.Leave();
        --session_.lockNesting;
    }
    SessionLock(const SessionLock&) = delete;
    SessionLock& operator=(const SessionLock&) = delete;

private:
    EngineSession& session_;
};

} // namespace ob::engine
