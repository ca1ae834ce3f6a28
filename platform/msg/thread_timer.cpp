#include "platform/msg/thread_timer.h"

#include "platform/msg/message_queue.h"
#include "platform/msg/thread_queue.h"
#include "platform/msg/window.h"

#include <algorithm>
#include <chrono>

namespace ob::msg {

namespace {

// The calling thread's queue when `hwnd` is 0 or one of its windows; null otherwise.
std::shared_ptr<detail::ThreadQueue> TimerQueue(Hwnd hwnd) {
    if (hwnd != 0 && GetWindowThreadId(hwnd) != GetCurrentThreadId()) {
        return nullptr;
    }
    return detail::CurrentQueue(true);
}

} // namespace

std::uintptr_t SetTimer(Hwnd hwnd, std::uintptr_t id, std::uint32_t intervalMs) {
    if (hwnd != 0 && id == 0) {
        return 0; // 0 is the failure result, so it cannot name a window timer
    }
    std::shared_ptr<detail::ThreadQueue> queue = TimerQueue(hwnd);
    if (!queue) {
        return 0;
    }
    const std::chrono::milliseconds interval(std::max<std::uint32_t>(intervalMs, 1));
    return queue->SetTimer(hwnd, id, interval);
}

bool KillTimer(Hwnd hwnd, std::uintptr_t id) {
    std::shared_ptr<detail::ThreadQueue> queue = TimerQueue(hwnd);
    return queue && queue->KillTimer(hwnd, id);
}

} // namespace ob::msg
