// Test support: runs the obrenta program as a child process with its own settings
// stores (machine/ and user/ of a scratch folder) and collects what it prints.
// Header only; the test's thread.
#pragma once

#include "support/scratch.h"

#include <gtest/gtest.h>

#include <array>
#include <fcntl.h>
#include <functional>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace ob::test {

struct Outcome {
    int status = -1; ///< exit status, or -signal
    std::string out;
    std::string err;
};

// Runs bin/obrenta with `args` and the stores in `dir`; `whileRunning` is called
// with the child's pid once it has started. Output is collected through pipes.
class Program {
public:
    explicit Program(const ScratchDir& dir) : dir_(dir) {
        std::filesystem::create_directories(dir.Path() / "machine");
        std::filesystem::create_directories(dir.Path() / "user");
    }

    Outcome Run(const std::vector<std::string>& args,
                const std::function<void(pid_t)>& whileRunning = nullptr,
                const std::vector<std::string>& extraEnv = {}) {
        std::vector<std::string> env = {"OBRENTA_MACHINE_DIR=" + dir_ / "machine",
                                        "OBRENTA_USER_DIR=" + dir_ / "user", "PATH=/usr/bin:/bin",
                                        "HOME=" + dir_.Path().string()};
        env.insert(env.end(), extraEnv.begin(), extraEnv.end());
        std::vector<std::string> argv = {std::string(OB_BIN_DIR) + "/obrenta"};
        argv.insert(argv.end(), args.begin(), args.end());

        int out[2], err[2];
        EXPECT_EQ(::pipe2(out, O_CLOEXEC), 0);
        EXPECT_EQ(::pipe2(err, O_CLOEXEC), 0);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_adddup2(&actions, err[1], 2);
        pid_t pid = -1;
        auto cargv = Pointers(argv);
        auto cenv = Pointers(env);
        const int spawned =
            ::posix_spawn(&pid, cargv[0], &actions, nullptr, cargv.data(), cenv.data());
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        ::close(err[1]);
        Outcome outcome;
        if (spawned != 0) {
            ::close(out[0]);
            ::close(err[0]);
            ADD_FAILURE() << "cannot start " << argv[0];
            return outcome;
        }
        std::thread reader([&] { Collect(out[0], err[0], outcome); });
        if (whileRunning) {
            whileRunning(pid);
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        reader.join();
        ::close(out[0]);
        ::close(err[0]);
        outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
        return outcome;
    }

private:
    static std::vector<char*> Pointers(std::vector<std::string>& words) {
        std::vector<char*> pointers;
        for (std::string& w : words) {
            pointers.push_back(w.data());
        }
        pointers.push_back(nullptr);
        return pointers;
    }

    static void Collect(int outFd, int errFd, Outcome& outcome) {
        std::array<pollfd, 2> fds{{{outFd, POLLIN, 0}, {errFd, POLLIN, 0}}};
        int open = 2;
        while (open > 0 && ::poll(fds.data(), fds.size(), 60000) > 0) {
            for (std::size_t i = 0; i < fds.size(); ++i) {
                if (fds[i].fd < 0 || fds[i].revents == 0) {
                    continue;
                }
                char buffer[4096];
                const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
                if (n <= 0) {
                    fds[i].fd = -1;
                    --open;
                } else {
                    (i == 0 ? outcome.out : outcome.err)
                        .append(buffer, static_cast<std::size_t>(n));
                }
            }
        }
    }

    const ScratchDir& dir_;
};

/// The key of the console settings; tests set cs_port 0 so that no console starts.
inline const char* kPortKey = "HKLM\\Software\\Varndel Software\\Obrenta\\Communication";

} // namespace ob::test
