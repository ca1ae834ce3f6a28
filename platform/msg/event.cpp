#include "platform/msg/event.h"

#include <algorithm>
#include <chrono>

namespace ob::msg {

Event::Event(Reset mode, bool initiallySet) : mode_(mode), set_(initiallySet) {}

// Set and Pulse notify with the lock held: a released waiter may destroy the event
// as soon as it can take the lock, so nothing may touch it after the unlock.
void Event::Set() {
    std::lock_guard lock(mutex_);
    set_ = true;
    changed_.notify_all();
}

void Event::ResetEvent() {
    std::lock_guard lock(mutex_);
    set_ = false;
}

void Event::Pulse() {
    std::lock_guard lock(mutex_);
    set_ = false;
    if (waiters_ == 0) {
        return; // nobody to release; the pulse leaves no trace
    }
    ++pulses_;
    // Manual reset: every thread waiting now; automatic reset: one more of them
    // (a release of an earlier pulse may not have been taken yet).
    released_ = mode_ == Reset::Automatic ? std::min(released_ + 1, waiters_) : waiters_;
    changed_.notify_all();
}

bool Event::Wait(std::uint32_t timeoutMs) {
    std::unique_lock lock(mutex_);
    const std::uint64_t generation = pulses_;
    // Released by a Set, or by a pulse that came after this wait began.
    auto released = [&] { return set_ || (pulses_ != generation && released_ > 0); };
    ++waiters_;
    bool woken = false;
    if (timeoutMs == kInfinite) {
        changed_.wait(lock, released);
        woken = true;
    } else {
        woken = changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), released);
    }
    --waiters_;
    if (!woken) {
        return false;
    }
    if (set_) {
        if (mode_ == Reset::Automatic) {
            set_ = false; // one waiter per Set
        }
    } else {
        --released_;
    }
    return true;
}

bool Event::IsSet() const {
    std::lock_guard lock(mutex_);
    return set_;
}

std::uint32_t Event::WaiterCount() const {
    std::lock_guard lock(mutex_);
    return waiters_;
}

} // namespace ob::msg
