#include "platform/process/child_reaper.h"

#include "platform/lifetime/immortal.h"

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <mutex>
#include <sys/wait.h>
#include <thread>
#include <unordered_map>
#include <vector>

namespace ob::process {
namespace {

/// How often the reaper looks for ended children while it has any.
constexpr auto kPollInterval = std::chrono::milliseconds(50);

enum class Look { NoneEnded, Ours, Foreign };

class Reaper {
public:
    void Add(pid_t pid, std::function<void()> onExit) {
        std::lock_guard lock(mutex_);
        if (!started_) {
            started_ = true;
            std::thread([this] { Loop(); }).detach();
        }
        // A pid is not reused before its child has been collected, so it is a key of
        // its own as long as the entry lives.
        children_[pid] = std::move(onExit);
        wake_.notify_one();
    }

    std::size_t Pending() {
        std::lock_guard lock(mutex_);
        return children_.size();
    }

private:
    void Loop() {
        for (;;) {
            {
                std::unique_lock lock(mutex_);
                wake_.wait(lock, [this] { return !children_.empty(); });
            }
            CollectEnded();
            std::this_thread::sleep_for(kPollInterval);
        }
    }

    // Peeks (without collecting) at an ended child of this process, whoever started it.
    Look PeekEnded(pid_t& pid) {
        siginfo_t info{};
        int r;
        do {
            r = ::waitid(P_ALL, 0, &info, WEXITED | WNOHANG | WNOWAIT);
        } while (r < 0 && errno == EINTR);
        if (r == 0 && info.si_pid == 0) {
            return Look::NoneEnded;
        }
        if (r != 0) {
            // No children at all (SIGCHLD ignored collects them unseen): what is
            // still listed here is checked one by one.
            return Look::Foreign;
        }
        pid = info.si_pid;
        std::lock_guard lock(mutex_);
        return children_.contains(pid) ? Look::Ours : Look::Foreign;
    }

    void CollectEnded() {
        for (;;) {
            pid_t pid = 0;
            switch (PeekEnded(pid)) {
            case Look::NoneEnded:
                return;
            case Look::Ours:
                Collect(pid);
                continue;
            case Look::Foreign:
                // Another part of the process will collect that child; until then it
                // hides the ones behind it, so each of ours is asked on its own.
                CollectEach();
                return;
            }
        }
    }

    void CollectEach() {
        std::vector<pid_t> pids;
        {
            std::lock_guard lock(mutex_);
            pids.reserve(children_.size());
            for (const auto& entry : children_) {
                pids.push_back(entry.first);
            }
        }
        for (const pid_t pid : pids) {
            Collect(pid);
        }
    }

    // Collects `pid` when it has ended (or is gone) and runs its action.
    void Collect(pid_t pid) {
        int status = 0;
        pid_t r;
        do {
            r = ::waitpid(pid, &status, WNOHANG);
        } while (r < 0 && errno == EINTR);
        if (r == 0) {
            return; // still running
        }
        std::function<void()> onExit;
        {
            std::lock_guard lock(mutex_);
            auto it = children_.find(pid);
            if (it == children_.end()) {
                return;
            }
            onExit = std::move(it->second);
            children_.erase(it);
        }
        if (onExit) {
            try {
                onExit();
            } catch (...) {
                // an action that fails leaves nothing to undo here
            }
        }
    }

    std::mutex mutex_;
    std::condition_variable wake_;
    std::unordered_map<pid_t, std::function<void()>> children_;
    bool started_ = false;
};

Reaper& TheReaper() {
    static Immortal<Reaper> reaper;
    return reaper.Get();
}

} // namespace

void ReapInBackground(pid_t pid, std::function<void()> onExit) {
    if (pid > 0) {
        TheReaper().Add(pid, std::move(onExit));
    }
}

std::size_t PendingChildren() {
    return TheReaper().Pending();
}

} // namespace ob::process
