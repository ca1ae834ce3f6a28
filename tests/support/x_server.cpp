#include "support/x_server.h"

#include "platform/env/environment.h"

#include <X11/Xlib.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace ob::test {
namespace {

bool Executable(const char* path) {
    return ::access(path, X_OK) == 0;
}

void EndChild(pid_t& pid) {
    if (pid <= 0) {
        return;
    }
    ::kill(pid, SIGTERM);
    for (int i = 0; i < 200; ++i) {
        if (::waitpid(pid, nullptr, WNOHANG) == pid) {
            pid = 0;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    pid = 0;
}

// Starts a helper that ends with the test's thread (PR_SET_PDEATHSIG), so a test
// that crashes leaves no server behind. Between fork and exec only system calls.
pid_t Spawn(const std::vector<std::string>& args, int stdoutFd, int keepFd) {
    std::vector<char*> argv;
    for (const std::string& arg : args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);
    const int devnull = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != parent) {
            ::_exit(127);
        }
        ::dup2(devnull, 0);
        ::dup2(stdoutFd >= 0 ? stdoutFd : devnull, 1);
        ::dup2(devnull, 2);
        if (keepFd == 3) {
            ::fcntl(3, F_SETFD, 0); // dup2 onto itself would keep close-on-exec
        } else if (keepFd >= 0) {
            ::dup2(keepFd, 3);
        }
        ::execve(argv[0], argv.data(), environ);
        ::_exit(127);
    }
    ::close(devnull);
    return pid > 0 ? pid : 0;
}

// True once a window manager frames a newly shown window: the manager announces
// itself (_NET_SUPPORTING_WM_CHECK) before it handles requests to show windows.
bool ManagerRunning(const std::string& name) {
    Display* display = XOpenDisplay(name.c_str());
    if (display == nullptr) {
        return false;
    }
    const Window window =
        XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 10, 10, 0, 0, 0);
    XSelectInput(display, window, StructureNotifyMask);
    XMapWindow(display, window);
    XFlush(display);
    bool framed = false;
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(500);
    while (!framed && std::chrono::steady_clock::now() < until) {
        while (!framed && XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            framed = event.type == ReparentNotify;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    XDestroyWindow(display, window);
    XCloseDisplay(display);
    return framed;
}

} // namespace

LineChild::~LineChild() {
    Stop();
}

bool LineChild::Start(const char* const* argv) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        return false;
    }
    std::vector<std::string> args;
    for (const char* const* at = argv; *at != nullptr; ++at) {
        args.emplace_back(*at);
    }
    pid_ = Spawn(args, fds[1], -1);
    ::close(fds[1]);
    out_ = fds[0];
    return pid_ > 0;
}

bool LineChild::ReadLine(std::string& line, std::chrono::milliseconds timeout) {
    const auto until = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        const std::size_t end = buffer_.find('\n');
        if (end != std::string::npos) {
            line = buffer_.substr(0, end);
            buffer_.erase(0, end + 1);
            return true;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            until - std::chrono::steady_clock::now());
        if (out_ < 0 || left.count() <= 0) {
            return false;
        }
        pollfd wait{out_, POLLIN, 0};
        if (::poll(&wait, 1, static_cast<int>(left.count())) <= 0) {
            return false;
        }
        char chunk[512];
        const ssize_t got = ::read(out_, chunk, sizeof chunk);
        if (got <= 0) {
            return false;
        }
        buffer_.append(chunk, static_cast<std::size_t>(got));
    }
}

bool LineChild::WaitFor(const std::string& prefix, std::string& line,
                        std::chrono::milliseconds timeout) {
    const auto until = std::chrono::steady_clock::now() + timeout;
    while (ReadLine(line, std::chrono::duration_cast<std::chrono::milliseconds>(
                              until - std::chrono::steady_clock::now()))) {
        if (line.rfind(prefix, 0) == 0) {
            return true;
        }
    }
    return false;
}

void LineChild::Stop() {
    EndChild(pid_);
    if (out_ >= 0) {
        ::close(out_);
        out_ = -1;
    }
}

std::string XServer::Unavailable(bool withWindowManager) {
    if (!Executable("/usr/bin/Xvfb")) {
        return "Xvfb is not installed (Debian package xvfb)";
    }
    if (withWindowManager && !Executable("/usr/bin/openbox")) {
        return "openbox is not installed (Debian package openbox)";
    }
    return {};
}

bool XServer::Start(bool withWindowManager) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        problem_ = "pipe failed";
        return false;
    }
    server_ = Spawn({"/usr/bin/Xvfb", "-displayfd", "3", "-screen", "0", "800x600x24", "-nolisten",
                     "tcp", "-noreset"},
                    -1, fds[1]);
    ::close(fds[1]);
    std::string number;
    pollfd wait{fds[0], POLLIN, 0};
    while (server_ > 0 && ::poll(&wait, 1, 15000) > 0) {
        char c = 0;
        if (::read(fds[0], &c, 1) != 1 || c == '\n') {
            break;
        }
        number += c;
    }
    ::close(fds[0]);
    if (number.empty()) {
        problem_ = "Xvfb did not start";
        Stop();
        return false;
    }
    name_ = ":" + number;
    env::Set("DISPLAY", name_);
    ::setenv("DISPLAY", name_.c_str(), 1);
    if (withWindowManager) {
        manager_ = Spawn({"/usr/bin/openbox", "--sm-disable"}, -1, -1);
        bool managed = false;
        for (int i = 0; i < 40 && manager_ > 0 && !managed; ++i) {
            managed = ManagerRunning(name_);
            if (!managed) {
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
        }
        if (!managed) {
            problem_ = "openbox did not start";
            Stop();
            return false;
        }
    }
    return true;
}

void XServer::Stop() {
    EndChild(manager_);
    EndChild(server_);
    if (!name_.empty()) {
        env::Remove("DISPLAY");
        ::unsetenv("DISPLAY");
        name_.clear();
    }
}

std::string ProbeWindowProgram() {
    return std::string(OB_BIN_DIR) + "/obtest_probe_window";
}

} // namespace ob::test
