#include "running_program.h"

#include <gtest/gtest.h>

#include <array>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>

namespace ob::test {
namespace {

std::vector<char*> Pointers(std::vector<std::string>& words) {
    std::vector<char*> pointers;
    for (std::string& word : words) {
        pointers.push_back(word.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}

} // namespace

std::vector<std::string> ProgramEnvironment(const ScratchDir& dir) {
    std::filesystem::create_directories(dir.Path() / "machine");
    std::filesystem::create_directories(dir.Path() / "user");
    return {"OBRENTA_MACHINE_DIR=" + dir / "machine", "OBRENTA_USER_DIR=" + dir / "user",
            "OBRENTA_RUNTIME_DIR=" + dir / "run", "HOME=" + dir.Path().string(),
            "PATH=/usr/bin:/bin"};
}

RunningProgram::RunningProgram(const std::vector<std::string>& args,
                               const std::vector<std::string>& environment,
                               const std::string& program) {
    std::vector<std::string> argv = {program.empty() ? std::string(OB_BIN_DIR) + "/obrenta"
                                                     : program};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<std::string> env = environment;
    int out[2];
    int err[2];
    if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) {
        ADD_FAILURE() << "no pipes";
        return;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    auto cargv = Pointers(argv);
    auto cenv = Pointers(env);
    const int spawned =
        ::posix_spawn(&pid_, cargv[0], &actions, nullptr, cargv.data(), cenv.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    ::close(err[1]);
    out_ = UniqueFd(out[0]);
    err_ = UniqueFd(err[0]);
    if (spawned != 0) {
        pid_ = -1;
        ADD_FAILURE() << "cannot start " << argv[0];
        return;
    }
    reader_ = std::thread([this] {
        std::array<pollfd, 2> fds{{{out_.Get(), POLLIN, 0}, {err_.Get(), POLLIN, 0}}};
        int open = 2;
        while (open > 0 && ::poll(fds.data(), fds.size(), -1) > 0) {
            for (std::size_t i = 0; i < fds.size(); ++i) {
                if (fds[i].fd < 0 || fds[i].revents == 0) {
                    continue;
                }
                char buffer[4096];
                const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
                std::lock_guard<std::mutex> hold(mutex_);
                if (n <= 0) {
                    fds[i].fd = -1;
                    --open;
                } else {
                    (i == 0 ? outText_ : errText_).append(buffer, static_cast<std::size_t>(n));
                }
                changed_.notify_all();
            }
        }
    });
}

RunningProgram::~RunningProgram() {
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    if (reader_.joinable()) {
        reader_.join();
    }
}

std::size_t RunningProgram::WaitFor(const std::string& stream, const std::string& text,
                                    std::size_t from, std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> hold(mutex_);
    const std::string& buffer = stream == "out" ? outText_ : errText_;
    std::size_t found = std::string::npos;
    changed_.wait_for(hold, timeout, [&] {
        found = buffer.find(text, from);
        return found != std::string::npos;
    });
    return found == std::string::npos ? found : found + text.size();
}

std::size_t RunningProgram::WaitForOutput(const std::string& text, std::size_t from,
                                          std::chrono::milliseconds timeout) {
    return WaitFor("out", text, from, timeout);
}

std::size_t RunningProgram::WaitForError(const std::string& text, std::size_t from,
                                         std::chrono::milliseconds timeout) {
    return WaitFor("err", text, from, timeout);
}

void RunningProgram::Signal(int signal) const {
    if (pid_ > 0) {
        ::kill(pid_, signal);
    }
}

int RunningProgram::Wait(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    int status = 0;
    while (pid_ > 0) {
        const pid_t done = ::waitpid(pid_, &status, WNOHANG);
        if (done == pid_) {
            pid_ = -1;
            break;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
            pid_ = -1;
            return -1000;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (reader_.joinable()) {
        reader_.join();
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
}

std::string RunningProgram::Out() {
    std::lock_guard<std::mutex> hold(mutex_);
    return outText_;
}

std::string RunningProgram::Err() {
    std::lock_guard<std::mutex> hold(mutex_);
    return errText_;
}

std::pair<int, std::string> RunProgram(const std::vector<std::string>& args,
                                       const std::vector<std::string>& environment,
                                       const std::string& program) {
    RunningProgram running(args, environment, program);
    const int status = running.Wait(std::chrono::minutes(4));
    return {status, running.Out() + running.Err()};
}

ServiceManagerSocket::ServiceManagerSocket(const std::string& path)
    : path_(path), fd_(::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0)) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    EXPECT_EQ(::bind(fd_.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address), 0) << path;
}

std::string ServiceManagerSocket::Next(std::chrono::milliseconds timeout) {
    pollfd ready{fd_.Get(), POLLIN, 0};
    if (::poll(&ready, 1, static_cast<int>(timeout.count())) != 1) {
        return "(nothing)";
    }
    char buffer[1024];
    const ssize_t got = ::recv(fd_.Get(), buffer, sizeof buffer, 0);
    return got < 0 ? "(error)" : std::string(buffer, static_cast<std::size_t>(got));
}

} // namespace ob::test
