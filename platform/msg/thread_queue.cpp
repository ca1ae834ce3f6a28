#include "platform/msg/thread_queue.h"

#include "platform/lifetime/immortal.h"
#include "platform/msg/message_queue.h"
#include "platform/msg/window_table.h"

#include <algorithm>
#include <cerrno>
#include <sys/eventfd.h>
#include <unistd.h>
#include <unordered_map>

namespace ob::msg::detail {

namespace {

bool Matches(std::uint32_t message, std::uint32_t filterMin, std::uint32_t filterMax) {
    if (filterMin == 0 && filterMax == 0) {
        return true;
    }
    return message >= filterMin && message <= filterMax;
}

std::atomic<std::uintptr_t> g_nextThreadTimerId{1};
std::atomic<std::uint32_t> g_nextWatchId{1};

struct QueueRegistry {
    std::mutex mutex;
    std::unordered_map<ThreadId, std::shared_ptr<ThreadQueue>> queues;
};

QueueRegistry& Registry() {
    static ob::Immortal<QueueRegistry> registry;
    return registry.Get();
}

void CloseQueue(const std::shared_ptr<ThreadQueue>& queue) {
    {
        QueueRegistry& registry = Registry();
        std::lock_guard lock(registry.mutex);
        auto it = registry.queues.find(queue->Owner());
        if (it != registry.queues.end() && it->second == queue) {
            registry.queues.erase(it);
        }
    }
    for (const std::shared_ptr<SentMessage>& send : queue->Close()) {
        CompleteSend(*send, SentMessage::Failed, 0);
    }
    DropThreadWindows(queue->Owner());
}

// Set once the thread's queue is closed; trivially destructible, so it stays
// readable while other thread-local objects are destroyed after the holder.
thread_local bool t_queueClosed = false;

// Owns the thread's queue and closes it when the thread ends.
struct QueueHolder {
    std::shared_ptr<ThreadQueue> queue;
    ~QueueHolder() {
        t_queueClosed = true;
        if (queue) {
            CloseQueue(queue);
        }
    }
};

thread_local QueueHolder t_holder;

} // namespace

void CompleteSend(SentMessage& send, SentMessage::State final, LRESULT result) {
    int expected = send.state.load(std::memory_order_acquire);
    while (expected == SentMessage::Pending || expected == SentMessage::Running) {
        if (final == SentMessage::Done) {
            send.result = result; // only the thread that runs the send writes it
        }
        if (send.state.compare_exchange_weak(expected, final, std::memory_order_acq_rel)) {
            if (send.sender) {
                send.sender->Wake();
            }
            return;
        }
    }
}

ThreadQueue::ThreadQueue(ThreadId owner)
    : owner_(owner), wake_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

void ThreadQueue::Wake() {
    const std::uint64_t one = 1;
    // EAGAIN means the counter is saturated: the queue is awake anyway.
    while (::write(wake_.Get(), &one, sizeof one) < 0 && errno == EINTR) {
    }
}

void ThreadQueue::DrainWake() {
    std::uint64_t count = 0;
    while (::read(wake_.Get(), &count, sizeof count) < 0 && errno == EINTR) {
    }
}

bool ThreadQueue::Post(const Message& message) {
    {
        std::lock_guard lock(mutex_);
        if (closed_ || posted_.size() >= kMaxPosted) {
            return false;
        }
        posted_.push_back(message);
    }
    Wake();
    return true;
}

bool ThreadQueue::EnqueueSend(std::shared_ptr<SentMessage> send) {
    {
        std::lock_guard lock(mutex_);
        if (closed_) {
            return false;
        }
        sends_.push_back(std::move(send));
    }
    Wake();
    return true;
}

void ThreadQueue::PostQuit(int exitCode) {
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
        quitCode_ = exitCode;
    }
    Wake();
}

std::shared_ptr<SentMessage> ThreadQueue::NextSend() {
    std::lock_guard lock(mutex_);
    if (sends_.empty()) {
        return nullptr;
    }
    std::shared_ptr<SentMessage> send = std::move(sends_.front());
    sends_.pop_front();
    return send;
}

ThreadQueue::Found ThreadQueue::Take(std::uint32_t filterMin, std::uint32_t filterMax, bool remove,
                                     SteadyClock::time_point now, Message& out,
                                     std::optional<SteadyClock::time_point>& nextTimer) {
    nextTimer.reset();
    std::lock_guard lock(mutex_);
    for (auto it = posted_.begin(); it != posted_.end(); ++it) {
        if (Matches(it->message, filterMin, filterMax)) {
            out = *it;
            if (remove) {
                posted_.erase(it);
            }
            return Found::Message;
        }
    }
    if (quit_) {
        out = Message{0, WM_QUIT, static_cast<WPARAM>(quitCode_), 0};
        if (remove) {
            quit_ = false;
        }
        return Found::Quit;
    }
    if (!Matches(WM_TIMER, filterMin, filterMax)) {
        return Found::None;
    }
    Timer* due = nullptr;
    for (Timer& timer : timers_) {
        if (timer.due <= now && (due == nullptr || timer.due < due->due)) {
            due = &timer;
        }
        if (!nextTimer || timer.due < *nextTimer) {
            nextTimer = timer.due;
        }
    }
    if (due == nullptr) {
        return Found::None;
    }
    out = Message{due->hwnd, WM_TIMER, due->id, 0};
    if (remove) {
        // One tick however long the thread was busy; the next one an interval later.
        due->due = now + due->interval;
    }
    nextTimer.reset();
    return Found::Message;
}

std::size_t ThreadQueue::PostedCount() const {
    std::lock_guard lock(mutex_);
    return posted_.size();
}

std::uintptr_t ThreadQueue::SetTimer(Hwnd hwnd, std::uintptr_t id,
                                     std::chrono::milliseconds interval) {
    const SteadyClock::time_point due = SteadyClock::now() + interval;
    std::lock_guard lock(mutex_);
    if (closed_) {
        return 0;
    }
    if (hwnd != 0 || id != 0) {
        for (Timer& timer : timers_) {
            if (timer.hwnd == hwnd && timer.id == id) {
                timer.interval = interval;
                timer.due = due;
                return id;
            }
        }
    }
    if (hwnd == 0) {
        id = g_nextThreadTimerId.fetch_add(1, std::memory_order_relaxed);
    }
    timers_.push_back(Timer{hwnd, id, interval, due});
    return id;
}

bool ThreadQueue::KillTimer(Hwnd hwnd, std::uintptr_t id) {
    std::lock_guard lock(mutex_);
    auto it = std::find_if(timers_.begin(), timers_.end(), [&](const Timer& timer) {
        return timer.hwnd == hwnd && timer.id == id;
    });
    if (it == timers_.end()) {
        return false;
    }
    timers_.erase(it);
    return true;
}

void ThreadQueue::KillWindowTimers(Hwnd hwnd) {
    std::lock_guard lock(mutex_);
    std::erase_if(timers_, [&](const Timer& timer) { return timer.hwnd == hwnd; });
}

std::uint32_t ThreadQueue::AddWatch(int fd, std::function<void()> onReadable) {
    auto watch = std::make_shared<FdWatch>();
    watch->id = g_nextWatchId.fetch_add(1, std::memory_order_relaxed);
    watch->fd = fd;
    watch->onReadable = std::move(onReadable);
    std::lock_guard lock(mutex_);
    if (closed_) {
        return 0;
    }
    watches_.push_back(watch);
    return watch->id;
}

bool ThreadQueue::RemoveWatch(std::uint32_t watchId) {
    std::shared_ptr<FdWatch> removed;
    {
        std::lock_guard lock(mutex_);
        auto it = std::find_if(watches_.begin(), watches_.end(),
                               [&](const auto& watch) { return watch->id == watchId; });
        if (it == watches_.end()) {
            return false;
        }
        removed = std::move(*it);
        watches_.erase(it);
    }
    removed->active.store(false);
    // The owner may be in poll() on that descriptor: make it rebuild its list.
    Wake();
    return true;
}

std::vector<std::shared_ptr<FdWatch>> ThreadQueue::Watches() const {
    std::lock_guard lock(mutex_);
    return watches_;
}

std::vector<std::shared_ptr<SentMessage>> ThreadQueue::Close() {
    std::vector<std::shared_ptr<SentMessage>> pending;
    std::vector<std::shared_ptr<FdWatch>> watches;
    {
        std::lock_guard lock(mutex_);
        closed_ = true;
        pending.assign(std::make_move_iterator(sends_.begin()),
                       std::make_move_iterator(sends_.end()));
        sends_.clear();
        posted_.clear();
        quit_ = false;
        timers_.clear();
        watches.swap(watches_);
    }
    for (const auto& watch : watches) {
        watch->active.store(false);
    }
    return pending; // the watches' callbacks are released here, outside the lock
}

std::shared_ptr<ThreadQueue> CurrentQueue(bool create) {
    if (t_queueClosed) {
        return nullptr;
    }
    if (!t_holder.queue && create) {
        auto queue = std::make_shared<ThreadQueue>(GetCurrentThreadId());
        if (!queue->Usable()) {
            return nullptr;
        }
        QueueRegistry& registry = Registry();
        std::lock_guard lock(registry.mutex);
        registry.queues[queue->Owner()] = queue;
        t_holder.queue = std::move(queue);
    }
    return t_holder.queue;
}

std::shared_ptr<ThreadQueue> FindQueue(ThreadId thread) {
    QueueRegistry& registry = Registry();
    std::lock_guard lock(registry.mutex);
    auto it = registry.queues.find(thread);
    return it == registry.queues.end() ? nullptr : it->second;
}

std::vector<std::shared_ptr<ThreadQueue>> AllQueues() {
    QueueRegistry& registry = Registry();
    std::lock_guard lock(registry.mutex);
    std::vector<std::shared_ptr<ThreadQueue>> all;
    all.reserve(registry.queues.size());
    for (const auto& [thread, queue] : registry.queues) {
        all.push_back(queue);
    }
    return all;
}

void CloseCurrentQueue() {
    if (t_queueClosed) {
        return;
    }
    t_queueClosed = true;
    std::shared_ptr<ThreadQueue> queue = std::move(t_holder.queue);
    if (queue) {
        CloseQueue(queue);
    }
}

} // namespace ob::msg::detail
