#include "vbscript/objects/shell_exec.h"

#include "vbscript/objects/file_error.h"
#include "vbscript/objects/member_call.h"
#include "vbscript/objects/text_stream.h"

#include "platform/env/environment.h"
#include "platform/lifetime/unique_fd.h"

#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

namespace ob::vbscript::objects {
namespace {

struct Pipe {
    UniqueFd read;
    UniqueFd write;
};

bool MakePipe(Pipe& pipe) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        return false;
    }
    pipe.read = UniqueFd(fds[0]);
    pipe.write = UniqueFd(fds[1]);
    return true;
}

// posix_spawn's attribute and action objects, destroyed with their owner.
class SpawnSetup {
public:
    SpawnSetup() {
        ok_ = ::posix_spawn_file_actions_init(&actions_) == 0;
        if (ok_ && ::posix_spawnattr_init(&attributes_) != 0) {
            ::posix_spawn_file_actions_destroy(&actions_);
            ok_ = false;
        }
    }
    ~SpawnSetup() {
        if (ok_) {
            ::posix_spawn_file_actions_destroy(&actions_);
            ::posix_spawnattr_destroy(&attributes_);
        }
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;

    bool ok() const { return ok_; }
    posix_spawn_file_actions_t* actions() { return &actions_; }
    posix_spawnattr_t* attributes() { return &attributes_; }

private:
    posix_spawn_file_actions_t actions_{};
    posix_spawnattr_t attributes_{};
    bool ok_ = false;
};

// Starts /bin/sh -c command with its standard handles on the pipes' child ends;
// every other descriptor is closed in the child. 0, or an errno.
int Spawn(const std::string& command, int in, int out, int error, pid_t& pid) {
    SpawnSetup setup;
    if (!setup.ok()) {
        return ENOMEM;
    }
    int err = ::posix_spawn_file_actions_adddup2(setup.actions(), in, 0);
    if (err == 0) {
        err = ::posix_spawn_file_actions_adddup2(setup.actions(), out, 1);
    }
    if (err == 0) {
        err = ::posix_spawn_file_actions_adddup2(setup.actions(), error, 2);
    }
    if (err == 0) {
        err = ::posix_spawn_file_actions_addclosefrom_np(setup.actions(), 3);
    }
    sigset_t empty;
    sigset_t all;
    ::sigemptyset(&empty);
    ::sigfillset(&all);
    if (err == 0) {
        // A process group of its own, so that Terminate ends the whole command
        // (the shell and what it started), not only the shell.
        err = ::posix_spawnattr_setflags(setup.attributes(), POSIX_SPAWN_SETSIGMASK |
                                                                 POSIX_SPAWN_SETSIGDEF |
                                                                 POSIX_SPAWN_SETPGROUP);
    }
    if (err == 0) {
        err = ::posix_spawnattr_setpgroup(setup.attributes(), 0);
    }
    if (err == 0) {
        err = ::posix_spawnattr_setsigmask(setup.attributes(), &empty);
    }
    if (err == 0) {
        err = ::posix_spawnattr_setsigdefault(setup.attributes(), &all);
    }
    if (err != 0) {
        return err;
    }
    std::vector<std::string> environment = env::Block();
    std::vector<char*> envp;
    for (std::string& entry : environment) {
        envp.push_back(entry.data());
    }
    envp.push_back(nullptr);
    std::string shell = "sh";
    std::string dashC = "-c";
    std::string line = command;
    char* argv[] = {shell.data(), dashC.data(), line.data(), nullptr};
    return ::posix_spawn(&pid, "/bin/sh", setup.actions(), setup.attributes(), argv, envp.data());
}

} // namespace

ShellExec::ShellExec(const std::string& command) {
    Pipe in;
    Pipe out;
    Pipe error;
    if (!MakePipe(in) || !MakePipe(out) || !MakePipe(error)) {
        ThrowFileError(errno, file_err::kPermissionDenied);
    }
    const int err = Spawn(command, in.read.Get(), out.write.Get(), error.write.Get(), pid_);
    if (err != 0) {
        ThrowFileError(err, file_err::kFileNotFound);
    }
    child_ = process::ChildProcess(pid_);
    // The child's ends close here, so reading sees the end once the command ends.
    stdIn_ = std::make_shared<TextStream>(std::move(in.write), TextStream::Mode::Write);
    stdOut_ = std::make_shared<TextStream>(std::move(out.read), TextStream::Mode::Read);
    stdErr_ = std::make_shared<TextStream>(std::move(error.read), TextStream::Mode::Read);
}

bool ShellExec::Ended() {
    if (ended_) {
        return true;
    }
    siginfo_t info{};
    // WNOWAIT: only look; ChildProcess::Wait collects it.
    if (::waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT) != 0 ||
        info.si_pid != pid_) {
        return false;
    }
    exitCode_ = child_.Wait();
    ended_ = true;
    return true;
}

Variant ShellExec::Invoke(std::string_view name, InvokeKind kind, std::vector<Variant>& args) {
    RequireRead(kind, args);
    if (Is(name, "Status")) {
        return Variant::Long(Ended() ? 1 : 0);
    }
    if (Is(name, "ExitCode")) {
        return Variant::Long(Ended() ? exitCode_ : 0);
    }
    if (Is(name, "ProcessID")) {
        return Variant::Long(static_cast<std::int32_t>(pid_));
    }
    if (Is(name, "StdIn")) {
        return Variant::FromObject(stdIn_);
    }
    if (Is(name, "StdOut")) {
        return Variant::FromObject(stdOut_);
    }
    if (Is(name, "StdErr")) {
        return Variant::FromObject(stdErr_);
    }
    if (Is(name, "Terminate")) {
        if (!Ended() && ::kill(-pid_, SIGTERM) != 0) {
            ::kill(pid_, SIGTERM);
        }
        return {};
    }
    throw ScriptException(err::kNoSuchMember);
}

} // namespace ob::vbscript::objects
