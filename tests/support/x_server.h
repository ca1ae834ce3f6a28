// Test support: a private X server (Xvfb) for the desktop tests, started by the
// test and stopped at its end, optionally with a window manager (openbox), and
// helper programs whose output lines the test reads. DISPLAY (the process table
// and the C library's) names the server while it runs; it is removed afterwards.
#pragma once

#include <chrono>
#include <string>
#include <sys/types.h>

namespace ob::test {

/// A program started with its standard output on a pipe, killed at destruction.
class LineChild {
public:
    LineChild() = default;
    ~LineChild();
    LineChild(const LineChild&) = delete;
    LineChild& operator=(const LineChild&) = delete;

    /// Starts `argv` (argv[0] a path); false when it could not be started.
    bool Start(const char* const* argv);
    /// The next output line (without its line feed); false at the time-out or end.
    bool ReadLine(std::string& line, std::chrono::milliseconds timeout);
    /// Waits for a line starting with `prefix`, dropping others; false if none came.
    bool WaitFor(const std::string& prefix, std::string& line, std::chrono::milliseconds timeout);
    void Stop();
    pid_t Pid() const { return pid_; }

private:
    pid_t pid_ = 0;
    int out_ = -1;
    std::string buffer_;
};

class XServer {
public:
    XServer() = default;
    ~XServer() { Stop(); }
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;

    /// Why the server cannot run here (a missing program), or empty.
    static std::string Unavailable(bool withWindowManager);

    /// Starts Xvfb (and openbox, waiting until it manages the screen); false with
    /// `Problem()` set on failure.
    bool Start(bool withWindowManager);
    void Stop();
    const std::string& Name() const { return name_; }
    const std::string& Problem() const { return problem_; }

private:
    pid_t server_ = 0;
    pid_t manager_ = 0;
    std::string name_;
    std::string problem_;
};

/// The probe window program: a window of the given class and title that prints
/// "mapped ID" once shown and "key KEYSYM MODIFIERS" for each key it receives.
std::string ProbeWindowProgram();

} // namespace ob::test
