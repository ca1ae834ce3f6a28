// The per-thread queue behind message_queue.h, window.h and thread_timer.h
// (internal to the platform library).
//
// Each queue has an eventfd that is written whenever something arrives for the
// thread (a posted message, an incoming send, the reply to one of its own sends).
// The owner thread waits with poll() on that descriptor plus its watched
// descriptors; every wait loop re-examines the queue after draining the eventfd,
// so a wake-up consumed by a nested wait (a procedure that runs its own loop) is
// never lost: the state it announced is still in the queue.
#pragma once

#include "platform/lifetime/unique_fd.h"
#include "platform/msg/message.h"

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace ob::msg::detail {

using SteadyClock = std::chrono::steady_clock;

class ThreadQueue;

/// A message sent to a window of another thread, shared by sender and owner.
struct SentMessage {
    enum State : int { Pending, Running, Done, Failed, Withdrawn };

    Message message;
    std::shared_ptr<ThreadQueue> sender; ///< woken when the send completes
    std::atomic<int> state{Pending};
    LRESULT result = 0; ///< written before `state` becomes Done
};

/// Moves a send from Pending or Running to `final` (Done or Failed) and wakes the sender.
void CompleteSend(SentMessage& send, SentMessage::State final, LRESULT result);

/// A descriptor watched by the owner's waits.
struct FdWatch {
    std::uint32_t id = 0;
    int fd = -1;
    std::function<void()> onReadable;
    std::atomic<bool> active{true};
};

class ThreadQueue {
public:
    /// Posted messages a queue holds at most; further posts fail.
    static constexpr std::size_t kMaxPosted = 10000;

    enum class Found { None, Message, Quit };

    explicit ThreadQueue(ThreadId owner);
    ThreadQueue(const ThreadQueue&) = delete;
    ThreadQueue& operator=(const ThreadQueue&) = delete;

    ThreadId Owner() const { return owner_; }
    /// False when the wake descriptor could not be created.
    bool Usable() const { return wake_.Valid(); }
    int WakeFd() const { return wake_.Get(); }

    // --- any thread -----------------------------------------------------------
    void Wake();
    /// False when the queue is closed or full.
    bool Post(const Message& message);
    /// False when the queue is closed.
    bool EnqueueSend(std::shared_ptr<SentMessage> send);
    bool RemoveWatch(std::uint32_t watchId);

    // --- owner thread ---------------------------------------------------------
    void DrainWake();
    void PostQuit(int exitCode);
    std::shared_ptr<SentMessage> NextSend();
    /// Looks for a message in delivery order: posted messages matching the filter,
    /// then WM_QUIT (whatever the filter), then the earliest due timer. With
    /// `remove` the message is taken (a timer's next tick is due one interval
    /// after `now`). When nothing is found, `nextTimer` is the earliest time a
    /// timer matching the filter becomes due (unset without such timers).
    Found Take(std::uint32_t filterMin, std::uint32_t filterMax, bool remove,
               SteadyClock::time_point now, Message& out,
               std::optional<SteadyClock::time_point>& nextTimer);
    std::size_t PostedCount() const;

    /// Thread timer when `hwnd` is 0 (id 0 or unknown: a new id), else a window timer.
    std::uintptr_t SetTimer(Hwnd hwnd, std::uintptr_t id, std::chrono::milliseconds interval);
    bool KillTimer(Hwnd hwnd, std::uintptr_t id);
    void KillWindowTimers(Hwnd hwnd);

    std::uint32_t AddWatch(int fd, std::function<void()> onReadable);
    std::vector<std::shared_ptr<FdWatch>> Watches() const;

    /// Closes the queue when its thread ends: later posts and sends fail, and the
    /// sends still waiting are returned so that the caller fails them.
    std::vector<std::shared_ptr<SentMessage>> Close();

private:
    struct Timer {
        Hwnd hwnd = 0;
        std::uintptr_t id = 0;
        std::chrono::milliseconds interval{1};
        SteadyClock::time_point due;
    };

    const ThreadId owner_;
    ob::UniqueFd wake_;
    mutable std::mutex mutex_;
    bool closed_ = false;
    std::deque<Message> posted_;
    bool quit_ = false;
    int quitCode_ = 0;
    std::deque<std::shared_ptr<SentMessage>> sends_;
    std::vector<Timer> timers_;
    std::vector<std::shared_ptr<FdWatch>> watches_;
};

/// The calling thread's queue, created on first use when `create` is set. Null
/// when the thread's queue has already been closed (the thread is ending) or
/// could not be created.
std::shared_ptr<ThreadQueue> CurrentQueue(bool create);

/// The queue of a thread, null when it has none.
std::shared_ptr<ThreadQueue> FindQueue(ThreadId thread);

/// Every live queue (for look-ups by watch id).
std::vector<std::shared_ptr<ThreadQueue>> AllQueues();

/// Ends the calling thread's queue now: pending sends fail, its windows are
/// removed (without calling their procedures: the thread is ending), posted
/// messages, timers and watches are dropped. Called when a thread ends; later
/// queue calls on this thread act as if it had no queue.
void CloseCurrentQueue();

} // namespace ob::msg::detail
