// Reloading the job files on SIGHUP, as service managers ask with `reload`.
//
// The reload lists the files first (a job folder that cannot be read keeps the
// queue as it is), then asks the engine to clear its queue and wakes a job that
// sleeps. The engine clears the queue at the end of its next tick, so a worker
// thread waits for two ticks (the first may have begun before the request) and
// tells the main thread, which loads the files: the queue then holds exactly the
// jobs of the files as they are now, and a file that fails keeps the jobs that
// loaded before its error. The service manager hears "RELOADING=1" at the start
// and "READY=1" at the end; a SIGHUP that arrives meanwhile starts another reload
// afterwards. Main thread only (the worker touches nothing but the session's tick).
#pragma once

#include "host/job_set.h"
#include "platform/lifetime/unique_fd.h"

#include <atomic>
#include <cstdint>
#include <ostream>
#include <thread>

namespace ob::host {

class HostSession;

class JobReloader {
public:
    JobReloader(HostSession& host, const JobSet& jobs, std::ostream& err);
    /// Stops watching and ends the worker (within a quarter of a second).
    ~JobReloader();
    JobReloader(const JobReloader&) = delete;
    JobReloader& operator=(const JobReloader&) = delete;

    /// Watches SIGHUP (blocked by the caller before any thread started); false when
    /// the descriptors cannot be made.
    bool Start();

private:
    void OnHangup();
    void OnCleared();
    void JoinWorker();

    HostSession& host_;
    const JobSet& jobs_;
    std::ostream& err_;
    UniqueFd hangups_;
    UniqueFd cleared_;
    std::uint32_t hangupWatch_ = 0;
    std::uint32_t clearedWatch_ = 0;
    std::thread worker_;
    std::atomic<bool> cancel_{false};
    std::vector<std::string> pendingFiles_;
    bool reloading_ = false;
    bool again_ = false;
};

} // namespace ob::host
