// A child process that reads what this process writes to its standard input and
// whose output (standard output and error together) this process collects, as mail
// programs (`sendmail -t`) and filters are driven. The owner's thread only.
//
// Standard input is one end of a socket pair, so a write to a child that stopped
// reading fails with EPIPE instead of raising SIGPIPE in this process. Output is
// read while writing, so a child that talks a lot never blocks either side; the
// first kMaxKeptOutput bytes are kept. The child gets the rest of SpawnChild's
// set-up (descriptors above 2 closed, empty signal mask, default dispositions).
// Every wait ends at the deadline given: the child is then killed. A child that is
// neither finished nor killed when the object goes is killed then, so that a
// half-written input never counts as complete (a mail program would send it).
#pragma once

#include "platform/export.h"
#include "platform/lifetime/unique_fd.h"
#include "platform/process/spawn_child.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <sys/types.h>

namespace ob::process {

/// How a piped child ended.
enum class PipedExit {
    Exited,   ///< ended by itself; Status() is its exit status
    Signaled, ///< ended by a signal; Status() is the signal number
    TimedOut, ///< the deadline passed; it was killed
    Lost,     ///< it could not be waited for (collected elsewhere)
};

class OB_PLATFORM_API PipedChild {
public:
    using Deadline = std::chrono::steady_clock::time_point;

    /// Output bytes kept for the caller's report.
    static constexpr std::size_t kMaxKeptOutput = 4096;

    PipedChild() = default;
    /// Keeps up to `maxKeptOutput` bytes of output instead (for callers that read a
    /// tool's whole answer).
    explicit PipedChild(std::size_t maxKeptOutput) : maxKeptOutput_(maxKeptOutput) {}
    ~PipedChild();
    PipedChild(const PipedChild&) = delete;
    PipedChild& operator=(const PipedChild&) = delete;

    /// Starts request.path (request.identity and request.detach are not used). 0, or
    /// the errno of the failure (ENOENT: no such program, EACCES: not executable).
    int Start(const SpawnRequest& request);

    /// Writes all of `data` to the child's input. False, with the errno in
    /// LastErrno() (EPIPE: the child stopped reading; ETIMEDOUT: the deadline
    /// passed), when it could not.
    bool Write(std::string_view data, Deadline deadline);

    /// Ends the child's input, collects output until the child ends and collects
    /// it. Output still arriving from descendants that outlive it is not waited for.
    PipedExit Finish(Deadline deadline);

    /// Kills the child at once (SIGKILL, before its input is ended) and collects it.
    void Kill();

    int LastErrno() const { return lastErrno_; }
    int Status() const { return status_; }
    /// The first kMaxKeptOutput (or the constructor's limit) bytes the child wrote.
    const std::string& Output() const { return output_; }
    bool Running() const { return pid_ > 0; }

private:
    /// Reads what output is available now; false at its end.
    bool DrainOutput();
    /// Waits until `fd` is ready for `events`, reading output meanwhile; false at
    /// the deadline.
    bool WaitFor(int fd, short events, Deadline deadline);
    PipedExit Collect(bool block);

    std::size_t maxKeptOutput_ = kMaxKeptOutput;
    pid_t pid_ = 0;
    UniqueFd input_;
    UniqueFd output_fd_;
    UniqueFd pidfd_;
    std::string output_;
    int lastErrno_ = 0;
    int status_ = 0;
};

} // namespace ob::process
