// Test support: the obrenta program running in the background with its own
// settings stores, endpoint folder and service manager socket, its output read as
// it comes so that a test can wait for a line, signal the program and read what
// it told the service manager.
#pragma once

#include "platform/lifetime/unique_fd.h"
#include "support/scratch.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <sys/types.h>
#include <thread>
#include <vector>

namespace ob::test {

/// The environment every program of a test gets: stores, endpoint folder and home
/// in `dir`, and a plain search path.
std::vector<std::string> ProgramEnvironment(const ScratchDir& dir);

class RunningProgram {
public:
    /// Starts `program` (default: the build's bin/obrenta) with `args` and `environment`.
    RunningProgram(const std::vector<std::string>& args,
                   const std::vector<std::string>& environment, const std::string& program = {});
    /// Kills the program when it still runs.
    ~RunningProgram();
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;

    /// Waits until standard output (or error) holds `text` after position `from`;
    /// the position just after it, or npos after `timeout`.
    std::size_t WaitForOutput(const std::string& text, std::size_t from = 0,
                              std::chrono::milliseconds timeout = std::chrono::seconds(20));
    std::size_t WaitForError(const std::string& text, std::size_t from = 0,
                             std::chrono::milliseconds timeout = std::chrono::seconds(20));
    void Signal(int signal) const;
    /// Waits for the program to end: its exit status, -signal, or -1000 after the
    /// time-out (it is then killed).
    int Wait(std::chrono::milliseconds timeout = std::chrono::seconds(30));
    std::string Out();
    std::string Err();

private:
    std::size_t WaitFor(const std::string& stream, const std::string& text, std::size_t from,
                        std::chrono::milliseconds timeout);

    pid_t pid_ = -1;
    UniqueFd out_;
    UniqueFd err_;
    std::thread reader_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::string outText_;
    std::string errText_;
};

/// Runs the program to its end: {exit status, standard output + standard error}.
std::pair<int, std::string> RunProgram(const std::vector<std::string>& args,
                                       const std::vector<std::string>& environment,
                                       const std::string& program = {});

/// A datagram socket standing in for the service manager's notification socket.
class ServiceManagerSocket {
public:
    explicit ServiceManagerSocket(const std::string& path);
    /// "NOTIFY_SOCKET=<path>" for the program's environment.
    std::string Variable() const { return "NOTIFY_SOCKET=" + path_; }
    /// The next notification, or "(nothing)" after `timeout`.
    std::string Next(std::chrono::milliseconds timeout = std::chrono::seconds(20));

private:
    std::string path_;
    UniqueFd fd_;
};

} // namespace ob::test
