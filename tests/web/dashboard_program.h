// Test support: `obrenta run --web 127.0.0.1:0 FILE` as a child process with its
// own settings stores, and a throw-away administrator and non-administrator made
// with the system's account tools. The test's thread.
#pragma once

#include "support/scratch.h"

#include <sys/types.h>

#include <string>
#include <thread>
#include <vector>

namespace ob::test {

/// Runs a program to its end and gives its exit status (-1 when it could not start)
/// and what it printed on standard output and error together.
struct Finished {
    int status = -1;
    std::string output;
};
/// `environment` (NAME=value entries) replaces the test's own when it is not empty.
Finished RunToEnd(const std::vector<std::string>& argv,
                  const std::vector<std::string>& environment = {});

/// The environment of an obrenta program whose stores are in `dir`, whose console
/// takes any free port, with `extra` entries added.
std::vector<std::string> ProgramEnvironment(const ScratchDir& dir,
                                            const std::vector<std::string>& extra);

/// The obrenta program serving a job file's dashboard; stopped with SIGTERM.
class DashboardProgram {
public:
    DashboardProgram(const ScratchDir& dir, const std::string& jobFile,
                     const std::string& adminGroup);
    ~DashboardProgram();
    DashboardProgram(const DashboardProgram&) = delete;
    DashboardProgram& operator=(const DashboardProgram&) = delete;

    /// "http://127.0.0.1:PORT", or "" when the dashboard did not come up.
    const std::string& Url() const { return url_; }
    /// What the program printed on standard error so far.
    std::string Errors();

private:
    pid_t pid_ = -1;
    int errFd_ = -1;
    std::string url_;
    std::string errors_;
};

/// A group, an administrator in it and a non-administrator, all with one password;
/// removed again at the end. Made only as root, when PAM logs them on.
class ThrowAwayAccounts {
public:
    static constexpr const char* kPassword = "Tr0ub4dor&3x";

    ThrowAwayAccounts();
    ~ThrowAwayAccounts();
    /// Why the accounts could not be used, or "".
    const std::string& Problem() const { return problem_; }

    std::string group, admin, plain;

private:
    std::string problem_;
    bool madeGroup_ = false, madeAdmin_ = false, madePlain_ = false;
};

} // namespace ob::test
