#include "platform/msg/message_queue.h"

#include "platform/msg/event.h"
#include "platform/msg/thread_queue.h"
#include "platform/msg/window.h"
#include "platform/msg/window_table.h"

#include <cerrno>
#include <chrono>
#include <climits>
#include <optional>
#include <poll.h>
#include <unistd.h>
#include <vector>

namespace ob::msg {

using detail::SentMessage;
using detail::SteadyClock;
using detail::ThreadQueue;

namespace {

using Deadline = std::optional<SteadyClock::time_point>;

Deadline DeadlineAfter(std::uint32_t timeoutMs) {
    if (timeoutMs == kInfinite) {
        return std::nullopt;
    }
    return SteadyClock::now() + std::chrono::milliseconds(timeoutMs);
}

// poll() time-out until the earlier of two moments (-1: wait without limit),
// rounded up so that a wait never ends just before its moment.
int PollTimeout(SteadyClock::time_point now, const Deadline& a, const Deadline& b) {
    Deadline until = a;
    if (b && (!until || *b < *until)) {
        until = b;
    }
    if (!until) {
        return -1;
    }
    if (*until <= now) {
        return 0;
    }
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(*until - now).count();
    return wait > INT_MAX ? INT_MAX : static_cast<int>(wait);
}

// Runs the sends that other threads made to this thread's windows.
void ServeSends(ThreadQueue& queue) {
    while (std::shared_ptr<SentMessage> send = queue.NextSend()) {
        int expected = SentMessage::Pending;
        if (!send->state.compare_exchange_strong(expected, SentMessage::Running,
                                                 std::memory_order_acq_rel)) {
            continue; // withdrawn by a sender that timed out
        }
        const Message& m = send->message;
        LRESULT result = 0;
        if (WindowProc proc = detail::OwnedWindowProc(m.hwnd, queue.Owner())) {
            result = CallWindowProc(proc, m.hwnd, m.message, m.wParam, m.lParam);
        }
        detail::CompleteSend(*send, SentMessage::Done, result);
    }
}

// Calls the callbacks of the watched descriptors that poll() reported.
void RunWatches(ThreadQueue& queue, const std::vector<std::shared_ptr<detail::FdWatch>>& watches,
                const std::vector<pollfd>& polled) {
    for (std::size_t i = 0; i < watches.size(); ++i) {
        const short events = polled[i + 1].revents;
        if (events == 0 || !watches[i]->active.load()) {
            continue;
        }
        if (events & POLLNVAL) {
            // The descriptor was closed under its watch: it would be reported for
            // ever, so the watch goes.
            queue.RemoveWatch(watches[i]->id);
            continue;
        }
        try {
            watches[i]->onReadable();
        } catch (...) {
            // A callback's failure is its own; the loop goes on.
        }
    }
}

// The wait of GetMessage/PeekMessage: serves sends and watches, then looks for a
// message; with `wait`, blocks until one comes or `deadline` passes.
ThreadQueue::Found Retrieve(ThreadQueue& queue, Message& out, std::uint32_t filterMin,
                            std::uint32_t filterMax, bool remove, bool wait,
                            const Deadline& deadline) {
    std::vector<pollfd> polled;
    int timeout = 0; // the first pass only looks
    for (;;) {
        const std::vector<std::shared_ptr<detail::FdWatch>> watches = queue.Watches();
        polled.assign(1, pollfd{queue.WakeFd(), POLLIN, 0});
        for (const auto& watch : watches) {
            polled.push_back(pollfd{watch->fd, POLLIN, 0});
        }
        // A look without watches needs no system call: the wake-up counter is
        // drained by the next real wait.
        const bool look = timeout == 0 && watches.empty();
        if (look || ::poll(polled.data(), polled.size(), timeout) < 0) {
            for (pollfd& entry : polled) {
                entry.revents = 0; // EINTR: look again; nothing was reported
            }
        }
        if (polled[0].revents != 0) {
            queue.DrainWake();
        }
        RunWatches(queue, watches, polled);
        ServeSends(queue);

        const SteadyClock::time_point now = SteadyClock::now();
        Deadline nextTimer;
        const ThreadQueue::Found found =
            queue.Take(filterMin, filterMax, remove, now, out, nextTimer);
        if (found != ThreadQueue::Found::None || !wait) {
            return found;
        }
        if (deadline && now >= *deadline) {
            return ThreadQueue::Found::None;
        }
        timeout = PollTimeout(now, deadline, nextTimer);
    }
}

// Sends to a window; on another thread's window, waits (serving this thread's
// incoming sends) until the owner has run it or `deadline` passes.
bool Send(Hwnd hwnd, std::uint32_t message, WPARAM wParam, LPARAM lParam, const Deadline& deadline,
          LRESULT& result) {
    result = 0;
    std::shared_ptr<ThreadQueue> target = detail::WindowQueue(hwnd);
    if (!target) {
        return false;
    }
    if (target->Owner() == GetCurrentThreadId()) {
        result = CallWindowProc(GetWindowProc(hwnd), hwnd, message, wParam, lParam);
        return true;
    }
    std::shared_ptr<ThreadQueue> self = detail::CurrentQueue(true);
    if (!self) {
        return false; // this thread is ending: it can no longer wait for replies
    }
    auto send = std::make_shared<SentMessage>();
    send->message = Message{hwnd, message, wParam, lParam};
    send->sender = self;
    if (!target->EnqueueSend(send)) {
        return false;
    }
    for (;;) {
        ServeSends(*self);
        const int state = send->state.load(std::memory_order_acquire);
        if (state == SentMessage::Done) {
            result = send->result;
            return true;
        }
        if (state == SentMessage::Failed) {
            return false;
        }
        const SteadyClock::time_point now = SteadyClock::now();
        if (deadline && now >= *deadline) {
            int expected = SentMessage::Pending;
            // Withdrawn unless the owner has started on it; a send it is running
            // completes unobserved.
            send->state.compare_exchange_strong(expected, SentMessage::Withdrawn,
                                                std::memory_order_acq_rel);
            if (expected == SentMessage::Done) {
                result = send->result;
                return true;
            }
            return false;
        }
        pollfd wake{self->WakeFd(), POLLIN, 0};
        if (::poll(&wake, 1, PollTimeout(now, deadline, std::nullopt)) > 0) {
            self->DrainWake();
        }
    }
}

} // namespace

ThreadId GetCurrentThreadId() {
    thread_local const ThreadId id = static_cast<ThreadId>(::gettid());
    return id;
}

void EnsureQueue() {
    detail::CurrentQueue(true);
}

bool PostThreadMessage(ThreadId thread, std::uint32_t message, WPARAM wParam, LPARAM lParam) {
    // Posting to the calling thread is a queue call of that thread: it creates the queue.
    std::shared_ptr<ThreadQueue> queue =
        thread == GetCurrentThreadId() ? detail::CurrentQueue(true) : detail::FindQueue(thread);
    return queue && queue->Post(Message{0, message, wParam, lParam});
}

bool PostMessage(Hwnd hwnd, std::uint32_t message, WPARAM wParam, LPARAM lParam) {
    std::shared_ptr<ThreadQueue> queue = detail::WindowQueue(hwnd);
    return queue && queue->Post(Message{hwnd, message, wParam, lParam});
}

LRESULT SendMessage(Hwnd hwnd, std::uint32_t message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    Send(hwnd, message, wParam, lParam, std::nullopt, result);
    return result;
}

bool SendMessageTimeout(Hwnd hwnd, std::uint32_t message, WPARAM wParam, LPARAM lParam,
                        std::uint32_t timeoutMs, LRESULT* result) {
    LRESULT value = 0;
    const bool done = Send(hwnd, message, wParam, lParam, DeadlineAfter(timeoutMs), value);
    if (result != nullptr) {
        *result = value;
    }
    return done;
}

int GetMessage(Message& out, std::uint32_t filterMin, std::uint32_t filterMax) {
    std::shared_ptr<ThreadQueue> queue = detail::CurrentQueue(true);
    if (!queue) {
        return -1;
    }
    Retrieve(*queue, out, filterMin, filterMax, true, true, std::nullopt);
    // WM_QUIT ends the loop however it came: PostQuitMessage or a posted WM_QUIT.
    return out.message == WM_QUIT ? 0 : 1;
}

int GetMessageTimeout(Message& out, std::uint32_t timeoutMs) {
    std::shared_ptr<ThreadQueue> queue = detail::CurrentQueue(true);
    if (!queue) {
        return -1;
    }
    if (Retrieve(*queue, out, 0, 0, true, true, DeadlineAfter(timeoutMs)) ==
        ThreadQueue::Found::None) {
        return -1;
    }
    return out.message == WM_QUIT ? 0 : 1;
}

bool PeekMessage(Message& out, std::uint32_t filterMin, std::uint32_t filterMax,
                 unsigned removeFlags) {
    std::shared_ptr<ThreadQueue> queue = detail::CurrentQueue(true);
    if (!queue) {
        return false;
    }
    const bool remove = (removeFlags & PM_REMOVE) != 0;
    return Retrieve(*queue, out, filterMin, filterMax, remove, false, std::nullopt) !=
           ThreadQueue::Found::None;
}

LRESULT DispatchMessage(const Message& message) {
    if (message.hwnd == 0) {
        return 0;
    }
    WindowProc proc = detail::OwnedWindowProc(message.hwnd, GetCurrentThreadId());
    return CallWindowProc(proc, message.hwnd, message.message, message.wParam, message.lParam);
}

void PostQuitMessage(int exitCode) {
    if (std::shared_ptr<ThreadQueue> queue = detail::CurrentQueue(true)) {
        queue->PostQuit(exitCode);
    }
}

std::uint32_t AddFdWatch(int fd, std::function<void()> onReadable) {
    if (fd < 0 || !onReadable) {
        return 0;
    }
    std::shared_ptr<ThreadQueue> queue = detail::CurrentQueue(true);
    if (!queue) {
        return 0;
    }
    try {
        return queue->AddWatch(fd, std::move(onReadable));
    } catch (...) {
        return 0;
    }
}

void RemoveFdWatch(std::uint32_t watchId) {
    if (watchId == 0) {
        return;
    }
    if (std::shared_ptr<ThreadQueue> own = detail::CurrentQueue(false)) {
        if (own->RemoveWatch(watchId)) {
            return;
        }
    }
    for (const std::shared_ptr<ThreadQueue>& queue : detail::AllQueues()) {
        if (queue->RemoveWatch(watchId)) {
            return;
        }
    }
}

std::size_t PendingMessageCount() {
    std::shared_ptr<ThreadQueue> queue = detail::CurrentQueue(true);
    return queue ? queue->PostedCount() : 0;
}

} // namespace ob::msg
