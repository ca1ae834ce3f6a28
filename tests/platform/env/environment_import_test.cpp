#include "platform/env/environment.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

// Runs the probe with exactly `environment` and returns the table it imported,
// one "NAME=value" per entry.
std::vector<std::string> ImportedBy(const std::vector<std::string>& environment) {
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) {
        ADD_FAILURE() << "pipe2 failed";
        return {};
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);

    const std::string probe = std::string(OB_BIN_DIR) + "/env_import_probe";
    std::vector<char*> argv{const_cast<char*>(probe.c_str()), nullptr};
    std::vector<char*> envp;
    for (const std::string& entry : environment) {
        envp.push_back(const_cast<char*>(entry.c_str()));
    }
    envp.push_back(nullptr);

    pid_t pid = 0;
    const int spawned =
        ::posix_spawn(&pid, probe.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    if (spawned != 0) {
        ::close(out[0]);
        ADD_FAILURE() << "cannot run " << probe;
        return {};
    }
    std::string text;
    char buffer[4096];
    ssize_t got = 0;
    while ((got = ::read(out[0], buffer, sizeof buffer)) > 0) {
        text.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(out[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) {
        lines.push_back(line);
    }
    return lines;
}

TEST(EnvironmentImport, CopiesTheRealEnvironmentFirstSpellingWinning) {
    const std::vector<std::string> imported = ImportedBy({
        "Path=/first",
        "HOME=/home/probe",
        "PATH=/second", // same variable as Path: the first one seen wins
        "NOEQUALS",     // not a variable
        "=C:=C:\\dir",  // a name may start with '='
        "EMPTY=",
        "EQ=a=b", // the value keeps later equals signs
        "home=/other",
    });
    const std::vector<std::string> expected = {"Path=/first", "HOME=/home/probe", "=C:=C:\\dir",
                                               "EMPTY=", "EQ=a=b"};
    EXPECT_EQ(imported, expected);
}

TEST(EnvironmentImport, CurrentProcessTableHoldsTheInheritedVariables) {
    // This process was started with PATH; the table holds it (spelling aside).
    const char* path = std::getenv("PATH");
    ASSERT_NE(path, nullptr);
    EXPECT_EQ(ob::env::Get("path"), std::string(path));
}

} // namespace
