#include "dashboard_program.h"

#include "platform/security/logon.h"
#include "probe_report.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace ob::test {
namespace {

constexpr const char* kUrlPrefix = "web dashboard at ";

std::vector<char*> Pointers(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (std::string& text : texts) {
        pointers.push_back(text.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}

// The account tools, tried again while another test holds their files' locks.
bool Shell(const std::string& command) {
    return TemporaryAccount::Shell(command + " >/dev/null 2>&1") == 0;
}

// Reads what is available on `fd` within `timeoutMs`; false at the end of input.
bool ReadSome(int fd, std::string& into, int timeoutMs) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, timeoutMs) <= 0) {
        return true;
    }
    char buffer[4096];
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got <= 0) {
        return false;
    }
    into.append(buffer, static_cast<std::size_t>(got));
    return true;
}

} // namespace

std::vector<std::string> ProgramEnvironment(const ScratchDir& dir,
                                            const std::vector<std::string>& extra) {
    std::filesystem::create_directories(dir.Path() / "machine");
    std::filesystem::create_directories(dir.Path() / "user");
    std::vector<std::string> env = {"OBRENTA_MACHINE_DIR=" + dir / "machine",
                                    "OBRENTA_USER_DIR=" + dir / "user", "PATH=/usr/bin:/bin",
                                    "HOME=" + dir.Path().string(), "cs_port=0"};
    env.insert(env.end(), extra.begin(), extra.end());
    return env;
}

Finished RunToEnd(const std::vector<std::string>& argv,
                  const std::vector<std::string>& environment) {
    Finished finished;
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
        return finished;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 2);
    std::vector<std::string> args = argv;
    std::vector<std::string> env = environment;
    auto cargv = Pointers(args);
    auto cenv = Pointers(env);
    pid_t pid = -1;
    const int spawned = ::posix_spawn(&pid, cargv[0], &actions, nullptr, cargv.data(),
                                      environment.empty() ? environ : cenv.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    if (spawned == 0) {
        while (ReadSome(pipeFds[0], finished.output, 1000)) {
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        finished.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    ::close(pipeFds[0]);
    return finished;
}

DashboardProgram::DashboardProgram(const ScratchDir& dir, const std::string& jobFile,
                                   const std::string& adminGroup) {
    std::vector<std::string> env = ProgramEnvironment(dir, {"cs_admin_group=" + adminGroup});
    std::vector<std::string> argv = {std::string(OB_BIN_DIR) + "/obrenta", "run", "--web",
                                     "127.0.0.1:0", jobFile};
    int errPipe[2];
    if (::pipe2(errPipe, O_CLOEXEC) != 0) {
        return;
    }
    const int devNull = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, devNull, 1);
    posix_spawn_file_actions_adddup2(&actions, errPipe[1], 2);
    auto cargv = Pointers(argv);
    auto cenv = Pointers(env);
    const int spawned =
        ::posix_spawn(&pid_, cargv[0], &actions, nullptr, cargv.data(), cenv.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(errPipe[1]);
    ::close(devNull);
    errFd_ = errPipe[0];
    if (spawned != 0) {
        pid_ = -1;
        return;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (std::chrono::steady_clock::now() < deadline) {
        const auto at = errors_.find(kUrlPrefix);
        const auto end = at == std::string::npos ? at : errors_.find('\n', at);
        if (end != std::string::npos) {
            url_ = errors_.substr(at + std::strlen(kUrlPrefix), end - at - std::strlen(kUrlPrefix));
            while (!url_.empty() && url_.back() == '/') {
                url_.pop_back();
            }
            return;
        }
        if (!ReadSome(errFd_, errors_, 200)) {
            return;
        }
    }
}

DashboardProgram::~DashboardProgram() {
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        int status = 0;
        ::waitpid(pid_, &status, 0);
    }
    if (errFd_ >= 0) {
        ::close(errFd_);
    }
}

std::string DashboardProgram::Errors() {
    while (ReadSome(errFd_, errors_, 0) && errFd_ >= 0) {
        pollfd p{errFd_, POLLIN, 0};
        if (::poll(&p, 1, 0) <= 0) {
            break;
        }
    }
    return errors_;
}

ThrowAwayAccounts::ThrowAwayAccounts() {
    if (::geteuid() != 0) {
        problem_ = "creating test accounts needs root";
        return;
    }
    const std::string tag = std::to_string(::getpid());
    group = "obwg" + tag;
    admin = "obwa" + tag;
    plain = "obwp" + tag;
    madeGroup_ = Shell("groupadd " + group);
    madeAdmin_ = madeGroup_ && Shell("useradd -M -N -G " + group + " " + admin);
    madePlain_ = madeAdmin_ && Shell("useradd -M -N " + plain);
    if (!madePlain_ || !Shell("printf '%s\\n' '" + admin + ":" + kPassword + "' '" + plain + ":" +
                              kPassword + "' | chpasswd")) {
        problem_ = "the account tools failed";
        return;
    }
    security::Token token;
    if (const std::uint32_t error =
            security::LogonUser(admin, ".", kPassword, security::LOGON_BATCH, token)) {
        problem_ =
            "PAM does not log the test account on here (error " + std::to_string(error) + ")";
    }
}

ThrowAwayAccounts::~ThrowAwayAccounts() {
    if (madeAdmin_) {
        Shell("userdel " + admin);
    }
    if (madePlain_) {
        Shell("userdel " + plain);
    }
    if (madeGroup_) {
        Shell("groupdel " + group);
    }
}

} // namespace ob::test
