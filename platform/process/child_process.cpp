#include "platform/process/child_process.h"

#include "platform/process/child_reaper.h"

#include <cerrno>
#include <sys/wait.h>
#include <utility>

namespace ob::process {

ChildProcess::ChildProcess(pid_t pid, std::function<void()> onExit)
    : pid_(pid), onExit_(std::move(onExit)) {}

ChildProcess::~ChildProcess() {
    Release();
}

ChildProcess::ChildProcess(ChildProcess&& other) noexcept
    : pid_(std::exchange(other.pid_, 0)), onExit_(std::move(other.onExit_)) {}

ChildProcess& ChildProcess::operator=(ChildProcess&& other) noexcept {
    if (this != &other) {
        Release();
        pid_ = std::exchange(other.pid_, 0);
        onExit_ = std::move(other.onExit_);
    }
    return *this;
}

int ChildProcess::Wait() {
    if (pid_ <= 0) {
        return -1;
    }
    int status = 0;
    pid_t r;
    do {
        r = ::waitpid(pid_, &status, 0);
    } while (r < 0 && errno == EINTR);
    pid_ = 0;
    if (onExit_) {
        std::exchange(onExit_, {})();
    }
    if (r < 0) {
        return -1; // collected elsewhere (SIGCHLD ignored): nothing to read
    }
    if (WIFEXITED(status)) {
        return WEXITSTATUS(status);
    }
    if (WIFSIGNALED(status)) {
        return 128 + WTERMSIG(status);
    }
    return -1;
}

void ChildProcess::Release() {
    if (pid_ > 0) {
        ReapInBackground(std::exchange(pid_, 0), std::exchange(onExit_, {}));
    }
}

} // namespace ob::process
