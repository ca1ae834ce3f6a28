#include "platform/process/spawn_child.h"

#include "platform/error/win_error.h"
#include "platform/lifetime/unique_fd.h"
#include "platform/process/descriptor_limit.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace ob::process {
namespace {

class FileActions {
public:
    FileActions() { ok_ = ::posix_spawn_file_actions_init(&actions_) == 0; }
    ~FileActions() {
        if (ok_) {
            ::posix_spawn_file_actions_destroy(&actions_);
        }
    }
    FileActions(const FileActions&) = delete;
    FileActions& operator=(const FileActions&) = delete;
    bool ok() const { return ok_; }
    posix_spawn_file_actions_t* get() { return &actions_; }

private:
    posix_spawn_file_actions_t actions_{};
    bool ok_ = false;
};

class SpawnAttributes {
public:
    SpawnAttributes() { ok_ = ::posix_spawnattr_init(&attributes_) == 0; }
    ~SpawnAttributes() {
        if (ok_) {
            ::posix_spawnattr_destroy(&attributes_);
        }
    }
    SpawnAttributes(const SpawnAttributes&) = delete;
    SpawnAttributes& operator=(const SpawnAttributes&) = delete;
    bool ok() const { return ok_; }
    posix_spawnattr_t* get() { return &attributes_; }

private:
    posix_spawnattr_t attributes_{};
    bool ok_ = false;
};

std::uint32_t SpawnPlain(const SpawnRequest& request, pid_t& pid) {
    FileActions actions;
    SpawnAttributes attributes;
    if (!actions.ok() || !attributes.ok()) {
        return error::ERROR_NOT_ENOUGH_MEMORY;
    }
    int err = ::posix_spawn_file_actions_addopen(actions.get(), 0, "/dev/null", O_RDONLY, 0);
    if (err == 0) {
        err = ::posix_spawn_file_actions_addopen(actions.get(), 1, "/dev/null", O_WRONLY, 0);
    }
    if (err == 0) {
        err = ::posix_spawn_file_actions_adddup2(actions.get(), 1, 2);
    }
    if (err == 0) {
        err = ::posix_spawn_file_actions_addclosefrom_np(actions.get(), 3);
    }
    sigset_t empty;
    sigset_t all;
    ::sigemptyset(&empty);
    ::sigfillset(&all);
    short flags = POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
    if (request.detach) {
        flags |= POSIX_SPAWN_SETSID;
    }
    if (err == 0) {
        err = ::posix_spawnattr_setflags(attributes.get(), flags);
    }
    if (err == 0) {
        err = ::posix_spawnattr_setsigmask(attributes.get(), &empty);
    }
    if (err == 0) {
        err = ::posix_spawnattr_setsigdefault(attributes.get(), &all);
    }
    if (err != 0) {
        return error::FromErrno(err);
    }
    std::vector<char*> argv = PointerArray(request.arguments);
    std::vector<char*> envp = PointerArray(request.environment);
    err = ::posix_spawn(&pid, request.path.c_str(), actions.get(), attributes.get(), argv.data(),
                        envp.data());
    return err == 0 ? error::ERROR_SUCCESS : error::FromErrno(err);
}

// The forked child: async-signal-safe calls only (raw system calls for the
// identity, which touch only this, the one thread of the child).
[[noreturn]] void RunChild(const SpawnRequest& request, int devNull, int report, char** argv,
                           char** envp, const rlimit* descriptors) {
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    for (int sig = 1; sig < NSIG; ++sig) {
        if (sig != SIGKILL && sig != SIGSTOP) {
            ::sigaction(sig, &action, nullptr);
        }
    }
    int err = 0;
    if (request.detach && ::setsid() < 0) {
        err = errno;
    }
    if (err == 0 && request.identity != nullptr) {
        const ChildIdentity& id = *request.identity;
        if (::syscall(SYS_setgroups, id.groups.size(), id.groups.data()) != 0 ||
            ::syscall(SYS_setgid, id.gid) != 0 || ::syscall(SYS_setuid, id.uid) != 0) {
            err = errno;
        }
    }
    if (err == 0 && (::dup2(devNull, 0) < 0 || ::dup2(devNull, 1) < 0 || ::dup2(devNull, 2) < 0)) {
        err = errno;
    }
    if (err == 0 && descriptors != nullptr &&
        ::syscall(SYS_prlimit64, 0, RLIMIT_NOFILE, descriptors, nullptr) != 0) {
        err = errno;
    }
    if (err == 0) {
        // Everything from 3 up goes, except the report pipe (close-on-exec).
        if (report > 3) {
            ::close_range(3, static_cast<unsigned>(report) - 1, 0);
        }
        ::close_range(static_cast<unsigned>(report) + 1, ~0U, 0);
        sigset_t empty;
        ::sigemptyset(&empty);
        ::sigprocmask(SIG_SETMASK, &empty, nullptr);
        ::execve(request.path.c_str(), argv, envp);
        err = errno;
    }
    while (::write(report, &err, sizeof err) < 0 && errno == EINTR) {
    }
    ::_exit(127);
}

std::uint32_t SpawnForked(const SpawnRequest& request, pid_t& pid) {
    std::vector<char*> argv = PointerArray(request.arguments);
    std::vector<char*> envp = PointerArray(request.environment);
    ob::UniqueFd devNull(::open("/dev/null", O_RDWR | O_CLOEXEC));
    if (devNull.Get() < 0) {
        return error::FromErrno(errno);
    }
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        return error::FromErrno(errno);
    }
    ob::UniqueFd readEnd(fds[0]);
    ob::UniqueFd writeEnd(fds[1]);

    // A process that raised its own descriptor limit gives the child the one it
    // started with (the hard limit stays).
    rlimit descriptors{};
    const rlimit* childLimit = nullptr;
    if (const rlim_t soft = ChildDescriptorLimit();
        soft != 0 && ::getrlimit(RLIMIT_NOFILE, &descriptors) == 0) {
        descriptors.rlim_cur = soft < descriptors.rlim_max ? soft : descriptors.rlim_max;
        childLimit = &descriptors;
    }

    // No handler of ours may run in the child before it resets them.
    sigset_t all;
    sigset_t previous;
    ::sigfillset(&all);
    ::pthread_sigmask(SIG_SETMASK, &all, &previous);
    const pid_t child = ::fork();
    if (child == 0) {
        RunChild(request, devNull.Get(), writeEnd.Get(), argv.data(), envp.data(), childLimit);
    }
    const int forkError = errno;
    ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    if (child < 0) {
        return error::FromErrno(forkError);
    }
    writeEnd.Close();
    int childError = 0;
    ssize_t got;
    do {
        got = ::read(readEnd.Get(), &childError, sizeof childError);
    } while (got < 0 && errno == EINTR);
    if (got == static_cast<ssize_t>(sizeof childError)) {
        // The child never reached the program: collect it here.
        int status = 0;
        while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
        return error::FromErrno(childError);
    }
    pid = child;
    return error::ERROR_SUCCESS;
}

} // namespace

std::vector<char*> PointerArray(const std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    pointers.reserve(texts.size() + 1);
    for (const std::string& text : texts) {
        pointers.push_back(const_cast<char*>(text.c_str()));
    }
    pointers.push_back(nullptr);
    return pointers;
}

std::uint32_t SpawnChild(const SpawnRequest& request, pid_t& pid) {
    pid = 0;
    if (request.arguments.empty()) {
        return error::FromErrno(EINVAL);
    }
    // posix_spawn cannot set a resource limit in the child: a child that must get
    // the descriptor limit back is forked like one with an identity.
    const bool plain = request.identity == nullptr && ChildDescriptorLimit() == 0;
    return plain ? SpawnPlain(request, pid) : SpawnForked(request, pid);
}

} // namespace ob::process
