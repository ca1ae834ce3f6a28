#include "platform/msg/thread.h"

#include "platform/msg/event.h"
#include "platform/msg/message_queue.h"
#include "platform/msg/thread_queue.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace ob::msg {

struct Thread::State {
    std::mutex mutex;
    std::condition_variable changed;
    bool started = false; // `id` is known
    bool resumed = false;
    bool cancelled = false; // given up before Resume: the body never runs
    bool done = false;
    ThreadId id = 0;
    std::uint32_t exitCode = kStillActive;

    std::mutex joinMutex; // one joiner at a time
    std::thread thread;
};

Thread::Thread(std::function<std::uint32_t()> body, bool suspended)
    : state_(std::make_shared<State>()) {
    // The thread's whole life: publish its id, wait for Resume, run the body,
    // close the queue, report the end.
    auto run = [](const std::shared_ptr<State>& state, std::function<std::uint32_t()>& body,
                  bool suspended) {
        {
            std::lock_guard lock(state->mutex);
            state->id = GetCurrentThreadId();
            state->started = true;
            state->resumed = !suspended;
        }
        state->changed.notify_all();

        bool runBody = true;
        {
            std::unique_lock lock(state->mutex);
            state->changed.wait(lock, [&] { return state->resumed || state->cancelled; });
            runBody = !state->cancelled;
        }
        std::uint32_t code = 0;
        if (runBody) {
            try {
                code = body();
            } catch (...) {
                code = kThreadFailed;
            }
        }
        // What the body captured goes now, and the queue before the end is reported:
        // a joiner then sees the thread's windows gone and its pending sends failed.
        body = nullptr;
        detail::CloseCurrentQueue();
        {
            std::lock_guard lock(state->mutex);
            state->exitCode = code;
            state->done = true;
        }
        state->changed.notify_all();
    };
    try {
        state_->thread = std::thread([run, state = state_, body = std::move(body),
                                      suspended]() mutable { run(state, body, suspended); });
    } catch (...) {
        std::lock_guard lock(state_->mutex);
        state_->exitCode = kThreadFailed;
        state_->done = true;
        return;
    }
    std::unique_lock lock(state_->mutex);
    state_->changed.wait(lock, [&] { return state_->started; });
}

Thread::~Thread() {
    {
        std::lock_guard lock(state_->mutex);
        if (!state_->resumed) {
            state_->cancelled = true;
        }
    }
    state_->changed.notify_all();
    std::lock_guard join(state_->joinMutex);
    if (state_->thread.joinable()) {
        if (state_->thread.get_id() == std::this_thread::get_id()) {
            state_->thread.detach(); // destroyed by its own thread: it ends by itself
        } else {
            state_->thread.join();
        }
    }
}

ThreadId Thread::Id() const {
    std::lock_guard lock(state_->mutex);
    return state_->id;
}

void Thread::Resume() {
    {
        std::lock_guard lock(state_->mutex);
        state_->resumed = true;
    }
    state_->changed.notify_all();
}

bool Thread::JoinFor(std::uint32_t timeoutMs) {
    {
        std::unique_lock lock(state_->mutex);
        auto ended = [&] { return state_->done; };
        if (timeoutMs == kInfinite) {
            state_->changed.wait(lock, ended);
        } else if (!state_->changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), ended)) {
            return false;
        }
    }
    std::lock_guard join(state_->joinMutex);
    if (state_->thread.joinable() && state_->thread.get_id() != std::this_thread::get_id()) {
        state_->thread.join(); // the body has returned: only thread exit remains
    }
    return true;
}

bool Thread::Running() const {
    std::lock_guard lock(state_->mutex);
    return !state_->done;
}

std::uint32_t Thread::ExitCode() const {
    std::lock_guard lock(state_->mutex);
    return state_->exitCode;
}

void Thread::Abandon() {
    {
        std::lock_guard lock(state_->mutex);
        if (!state_->resumed) {
            state_->cancelled = true; // a thread never resumed would wait for ever
        }
    }
    state_->changed.notify_all();
    std::lock_guard join(state_->joinMutex);
    if (state_->thread.joinable()) {
        state_->thread.detach();
    }
}

} // namespace ob::msg
