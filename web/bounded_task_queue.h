// The HTTP server's worker threads with a bounded queue of accepted connections:
// when every worker is busy and kMaxWaiting connections wait, the accepting thread
// waits too, and further clients stay in the kernel's listen backlog. So however
// many clients come or how slowly they read, the server holds at most
// kWorkers + kMaxWaiting connections, each with at most one answer in memory.
#pragma once

#include <httplib.h>

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace ob::web {

class BoundedTaskQueue final : public httplib::TaskQueue {
public:
    static constexpr std::size_t kWorkers = 8;
    static constexpr std::size_t kMaxWaiting = 32;

    BoundedTaskQueue();
    ~BoundedTaskQueue() override;

    /// Called by the accepting thread; waits while the queue is full.
    void enqueue(std::function<void()> fn) override;
    /// Runs what is queued, then ends the workers.
    void shutdown() override;

private:
    void Work();

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::function<void()>> waiting_;
    std::vector<std::thread> workers_;
    bool stopping_ = false;
};

} // namespace ob::web
