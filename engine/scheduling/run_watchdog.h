// The run watchdog: makes a run that holds up the engine thread visible.
//
// Every job run, every console command and every tick share the engine thread, so
// a run that does not end (-action -while 1 body, a program waited for that never
// exits) stops the whole engine. That is how the engine works; the watchdog only
// tells the host. The engine thread marks where a run begins and ends (the
// outermost run, which the scheduler or EM_RUN_JOB started) and which statement
// each run executes now. A thread of the watchdog's own looks once a second; when
// the run has lasted longer than the limit it posts event 2018 (OB_EV_WATCHDOG)
// with a text naming the job and the statement, once per run, and the engine
// thread posts a second 2018 when that run ends. Statement texts are shown with
// their passwords masked.
//
// The limit is the variable JR.WATCHDOG_SECONDS (the environment, else the settings
// store), read at every tick; default 60, 0 turns the watchdog off.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

namespace ob::engine {

struct EngineSession;

inline constexpr std::chrono::seconds kDefaultWatchdogLimit{60};

/// JR.WATCHDOG_SECONDS read now: its whole seconds, the default when it is not set
/// or not a number, 0 (off) for 0.
std::chrono::seconds WatchdogSetting();

class RunWatchdog {
public:
    explicit RunWatchdog(EngineSession& session) : session_(session) {}
    /// Stops and joins the watchdog's thread.
    ~RunWatchdog();
    RunWatchdog(const RunWatchdog&) = delete;
    RunWatchdog& operator=(const RunWatchdog&) = delete;

    /// The limit for runs that begin from now on (engine thread).
    void SetLimit(std::chrono::seconds limit);
    /// An outermost run of `job` begins (engine thread; starts the thread at first use).
    void BeginRun(const std::string& job);
    /// The run now executes `statement`, line `line` of `job`; `outermost` when that
    /// is the job whose run began with BeginRun, not one it runs in place (engine thread).
    void AtStatement(const std::string& job, const std::string& statement, std::uint32_t line,
                     bool outermost);
    /// The outermost run ended (engine thread): a second event when it was reported.
    void EndRun();

    /// How often the watchdog's thread looks.
    static constexpr std::chrono::milliseconds kInterval{1000};

private:
    using Clock = std::chrono::steady_clock;
    void Watch();

    EngineSession& session_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::thread thread_;
    bool stopping_ = false;
    std::chrono::seconds limit_ = kDefaultWatchdogLimit;
    // The run being watched (guarded by mutex_).
    bool running_ = false;
    bool reported_ = false;
    std::chrono::seconds runLimit_{0};
    Clock::time_point started_;
    std::string runJob_;
    std::string runStatement_; ///< the outermost job's statement
    std::uint32_t runLine_ = 0;
    std::string innerJob_; ///< the job whose statement runs now, when another one
    std::string innerStatement_;
    std::uint32_t innerLine_ = 0;
};

} // namespace ob::engine
