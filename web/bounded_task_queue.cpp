#include "web/bounded_task_queue.h"

namespace ob::web {

BoundedTaskQueue::BoundedTaskQueue() {
    workers_.reserve(kWorkers);
    for (std::size_t i = 0; i < kWorkers; ++i) {
        workers_.emplace_back([this] { Work(); });
    }
}

BoundedTaskQueue::~BoundedTaskQueue() {
    shutdown();
}

void BoundedTaskQueue::enqueue(std::function<void()> fn) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return waiting_.size() < kMaxWaiting || stopping_; });
    waiting_.push_back(std::move(fn));
    changed_.notify_all();
}

void BoundedTaskQueue::shutdown() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    for (std::thread& worker : workers_) {
        if (worker.joinable()) {
            worker.join();
        }
    }
}

void BoundedTaskQueue::Work() {
    for (;;) {
        std::function<void()> fn;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [this] { return !waiting_.empty() || stopping_; });
            if (waiting_.empty()) {
                return; // stopping, and nothing left to serve
            }
            fn = std::move(waiting_.front());
            waiting_.pop_front();
        }
        changed_.notify_all();
        fn(); // serves one connection and closes it
    }
}

} // namespace ob::web
