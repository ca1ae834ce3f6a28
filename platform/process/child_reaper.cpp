#include "platform/process/child_reaper.h"

#include "platform/lifetime/immortal.h"

#include <array>
#include <cerrno>
#include <cstdint>
#include <map>
#include <mutex>
#include <sys/epoll.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace ob::process {
namespace {

struct Child {
    pid_t pid = 0;
    int pidfd = -1; ///< -1: polled
    std::function<void()> onExit;
};

class Reaper {
public:
    void Add(pid_t pid, std::function<void()> onExit) {
        const int pidfd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0)); // close-on-exec
        std::lock_guard lock(mutex_);
        Start();
        // Keyed by a serial number, not the pid: once collected, a pid may come back
        // for a new child before the old entry is gone.
        const std::uint64_t id = ++serial_;
        Child& child = children_[id];
        child = Child{pid, pidfd, std::move(onExit)};
        if (pidfd >= 0) {
            epoll_event event{};
            event.events = EPOLLIN;
            event.data.u64 = id;
            if (epoll_ < 0 || ::epoll_ctl(epoll_, EPOLL_CTL_ADD, pidfd, &event) != 0) {
                ::close(pidfd);
                child.pidfd = -1;
            }
        }
    }

    std::size_t Pending() {
        std::lock_guard lock(mutex_);
        return children_.size();
    }

private:
    void Start() {
        if (started_) {
            return;
        }
        started_ = true;
        epoll_ = ::epoll_create1(EPOLL_CLOEXEC);
        std::thread([this] { Loop(); }).detach();
    }

    // Collects child `id` when it has ended; true when it is gone.
    bool Collect(std::uint64_t id) {
        pid_t pid = 0;
        {
            std::lock_guard lock(mutex_);
            auto it = children_.find(id);
            if (it == children_.end()) {
                return true;
            }
            pid = it->second.pid;
        }
        int status = 0;
        pid_t r;
        do {
            r = ::waitpid(pid, &status, WNOHANG);
        } while (r < 0 && errno == EINTR);
        if (r == 0) {
            return false;
        }
        std::function<void()> onExit;
        {
            std::lock_guard lock(mutex_);
            auto it = children_.find(id);
            if (it == children_.end()) {
                return true;
            }
            if (it->second.pidfd >= 0) {
                ::epoll_ctl(epoll_, EPOLL_CTL_DEL, it->second.pidfd, nullptr);
                ::close(it->second.pidfd);
            }
            onExit = std::move(it->second.onExit);
            children_.erase(it);
        }
        if (onExit) {
            try {
                onExit();
            } catch (...) {
                // an action that fails leaves nothing to undo here
            }
        }
        return true;
    }

    void Loop() {
        std::array<epoll_event, 64> events{};
        for (;;) {
            int count = -1;
            if (epoll_ >= 0) {
                count = ::epoll_wait(epoll_, events.data(), static_cast<int>(events.size()), 100);
            } else {
                ::usleep(100 * 1000);
            }
            for (int i = 0; i < count; ++i) {
                Collect(events[static_cast<std::size_t>(i)].data.u64);
            }
            // Children without a pidfd, checked on every round.
            std::vector<std::uint64_t> polled;
            {
                std::lock_guard lock(mutex_);
                for (const auto& [id, child] : children_) {
                    if (child.pidfd < 0) {
                        polled.push_back(id);
                    }
                }
            }
            for (const std::uint64_t id : polled) {
                Collect(id);
            }
        }
    }

    std::mutex mutex_;
    std::map<std::uint64_t, Child> children_;
    std::uint64_t serial_ = 0;
    int epoll_ = -1;
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
