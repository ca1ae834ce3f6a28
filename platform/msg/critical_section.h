// A recursive lock, like a Windows critical section: the owning thread may enter
// it again; it is free when every Enter has been matched by a Leave. It also knows
// whether the calling thread holds it, so that an unmatched Leave can be refused
// by callers that take it on behalf of others.
#pragma once

#include "platform/export.h"

#include <atomic>
#include <mutex>
#include <thread>

namespace ob::msg {

class CriticalSection {
public:
    void Enter() {
        mutex_.lock();
        Acquired();
    }
    bool TryEnter() {
        if (!mutex_.try_lock()) {
            return false;
        }
        Acquired();
        return true;
    }
    void Leave() {
        if (--depth_ == 0) {
            owner_.store(std::thread::id());
        }
        mutex_.unlock();
    }
    bool OwnedByCurrentThread() const { return owner_.load() == std::this_thread::get_id(); }

    // BasicLockable, so std::lock_guard / std::unique_lock work on it.
    void lock() { Enter(); }
    void unlock() { Leave(); }

private:
    void Acquired() {
        owner_.store(std::this_thread::get_id());
        ++depth_;
    }

    std::recursive_mutex mutex_;
    std::atomic<std::thread::id> owner_{};
    unsigned depth_ = 0; // guarded by mutex_
};

} // namespace ob::msg
