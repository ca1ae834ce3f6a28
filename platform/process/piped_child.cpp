#include "platform/process/piped_child.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace ob::process {
namespace {

using Clock = std::chrono::steady_clock;

/// Milliseconds until the deadline for poll (0 once it has passed).
int MillisecondsUntil(PipedChild::Deadline deadline) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) {
        return 0;
    }
    return static_cast<int>(std::min<long long>(left.count(), 60'000));
}

bool SetNonBlocking(int fd) {
    const int flags = ::fcntl(fd, F_GETFL);
    return flags >= 0 && ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
}

/// posix_spawn's file actions and attributes for a child whose descriptors 0, 1
/// and 2 are `input` and `output` (twice); 0 or an errno.
int SpawnWithPipes(const SpawnRequest& request, int input, int output, pid_t& pid) {
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    if (::posix_spawn_file_actions_init(&actions) != 0) {
        return ENOMEM;
    }
    if (::posix_spawnattr_init(&attributes) != 0) {
        ::posix_spawn_file_actions_destroy(&actions);
        return ENOMEM;
    }
    int err = ::posix_spawn_file_actions_adddup2(&actions, input, 0);
    if (err == 0) {
        err = ::posix_spawn_file_actions_adddup2(&actions, output, 1);
    }
    if (err == 0) {
        err = ::posix_spawn_file_actions_adddup2(&actions, output, 2);
    }
    if (err == 0) {
        err = ::posix_spawn_file_actions_addclosefrom_np(&actions, 3);
    }
    sigset_t empty;
    sigset_t all;
    ::sigemptyset(&empty);
    ::sigfillset(&all);
    if (err == 0) {
        err =
            ::posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    }
    if (err == 0) {
        err = ::posix_spawnattr_setsigmask(&attributes, &empty);
    }
    if (err == 0) {
        err = ::posix_spawnattr_setsigdefault(&attributes, &all);
    }
    if (err == 0) {
        std::vector<char*> argv = PointerArray(request.arguments);
        std::vector<char*> envp = PointerArray(request.environment);
        err = ::posix_spawn(&pid, request.path.c_str(), &actions, &attributes, argv.data(),
                            envp.data());
    }
    ::posix_spawnattr_destroy(&attributes);
    ::posix_spawn_file_actions_destroy(&actions);
    return err;
}

} // namespace

PipedChild::~PipedChild() {
    Kill();
}

int PipedChild::Start(const SpawnRequest& request) {
    if (pid_ > 0) {
        return EBUSY;
    }
    if (request.arguments.empty()) {
        return EINVAL;
    }
    output_.clear();
    lastErrno_ = 0;
    status_ = 0;
    int pair[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) {
        return errno;
    }
    UniqueFd input(pair[0]);
    UniqueFd childInput(pair[1]);
    int pipe[2];
    if (::pipe2(pipe, O_CLOEXEC) != 0) {
        return errno;
    }
    UniqueFd output(pipe[0]);
    UniqueFd childOutput(pipe[1]);
    if (!SetNonBlocking(input.Get()) || !SetNonBlocking(output.Get())) {
        return errno;
    }
    pid_t pid = 0;
    const int err = SpawnWithPipes(request, childInput.Get(), childOutput.Get(), pid);
    if (err != 0) {
        return err;
    }
    pid_ = pid;
    input_ = std::move(input);
    output_fd_ = std::move(output);
    // Without pidfds (old kernels) Finish polls for the child's end instead.
    pidfd_ = UniqueFd(static_cast<int>(::syscall(SYS_pidfd_open, pid, 0)));
    return 0;
}

bool PipedChild::DrainOutput() {
    char buffer[4096];
    while (output_fd_.Valid()) {
        const ssize_t got = ::read(output_fd_.Get(), buffer, sizeof buffer);
        if (got > 0) {
            const std::size_t room = maxKeptOutput_ - std::min(maxKeptOutput_, output_.size());
            output_.append(buffer, std::min(room, static_cast<std::size_t>(got)));
            continue;
        }
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            return true;
        }
        output_fd_.Close(); // end of output, or an error that ends it
    }
    return false;
}

bool PipedChild::WaitFor(int fd, short events, Deadline deadline) {
    for (;;) {
        pollfd fds[2] = {{fd, events, 0}, {output_fd_.Get(), POLLIN, 0}};
        const nfds_t count = output_fd_.Valid() && output_fd_.Get() != fd ? 2 : 1;
        const int ready = ::poll(fds, count, MillisecondsUntil(deadline));
        if (ready < 0 && errno != EINTR) {
            return false;
        }
        if (count == 2 && fds[1].revents != 0) {
            DrainOutput();
        }
        if (fds[0].revents != 0) {
            return true;
        }
        if (ready == 0 && Clock::now() >= deadline) {
            return false;
        }
    }
}

bool PipedChild::Write(std::string_view data, Deadline deadline) {
    if (!input_.Valid()) {
        lastErrno_ = EBADF;
        return false;
    }
    while (!data.empty()) {
        const ssize_t sent =
            ::send(input_.Get(), data.data(), data.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent >= 0) {
            data.remove_prefix(static_cast<std::size_t>(sent));
            continue;
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno != EAGAIN && errno != EWOULDBLOCK) {
            lastErrno_ = errno == ECONNRESET ? EPIPE : errno;
            return false;
        }
        if (!WaitFor(input_.Get(), POLLOUT, deadline)) {
            lastErrno_ = ETIMEDOUT;
            return false;
        }
    }
    DrainOutput();
    return true;
}

PipedExit PipedChild::Collect(bool block) {
    int status = 0;
    pid_t got;
    do {
        got = ::waitpid(pid_, &status, block ? 0 : WNOHANG);
    } while (got < 0 && errno == EINTR);
    if (got == 0) {
        return PipedExit::TimedOut; // still running (only without blocking)
    }
    pid_ = 0;
    pidfd_.Close();
    if (got < 0) {
        return PipedExit::Lost;
    }
    if (WIFSIGNALED(status)) {
        status_ = WTERMSIG(status);
        return PipedExit::Signaled;
    }
    status_ = WEXITSTATUS(status);
    return PipedExit::Exited;
}

PipedExit PipedChild::Finish(Deadline deadline) {
    if (pid_ <= 0) {
        return PipedExit::Lost;
    }
    input_.Close();
    for (;;) {
        if (pidfd_.Valid()) {
            if (!WaitFor(pidfd_.Get(), POLLIN, deadline)) {
                break;
            }
            const PipedExit exit = Collect(true);
            DrainOutput();
            return exit;
        }
        // No pidfd: look every 50 ms.
        const PipedExit exit = Collect(false);
        if (exit != PipedExit::TimedOut) {
            DrainOutput();
            return exit;
        }
        if (Clock::now() >= deadline) {
            break;
        }
        WaitFor(-1, 0, std::min(deadline, Clock::now() + std::chrono::milliseconds(50)));
    }
    Kill();
    return PipedExit::TimedOut;
}

void PipedChild::Kill() {
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        Collect(true);
        DrainOutput(); // what it printed before it died
    }
    input_.Close();
    output_fd_.Close();
}

} // namespace ob::process
