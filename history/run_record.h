// One run of a job as the run history keeps it. Value type; any thread.
#pragma once

#include <cstdint>
#include <string>

namespace ob::history {

/// What went wrong in a run, if anything.
enum class Failure : std::uint32_t {
    None = 0,  ///< no statement failed
    Soft = 1,  ///< a statement failed softly ($ONERROR decided what followed)
    Fatal = 2, ///< a statement failed fatally ($RUNTIME decided what followed)
};

/// The run result a job's run ended with (the engine's codes 0 to 4).
inline constexpr std::uint32_t kResultContinue = 0;
inline constexpr std::uint32_t kResultBreak = 1;
inline constexpr std::uint32_t kResultStop = 2;
inline constexpr std::uint32_t kResultAbort = 3;
inline constexpr std::uint32_t kResultDeleted = 4;

struct RunRecord {
    std::int64_t id = 0;      ///< the database's row id (0 before it is written)
    std::string job;          ///< the job's name, %-references expanded
    std::string file;         ///< its job file ($FILENAME), or empty
    std::int64_t startMs = 0; ///< Unix time of the start, milliseconds
    std::int64_t endMs = 0;   ///< Unix time of the end, milliseconds
    std::uint32_t result = kResultContinue;
    std::string control; ///< the result as a word: continue, break, stop, abort, deleted
    Failure failure = Failure::None;
    // The statement that failed last in the run (with Failure other than None): the
    // job it belongs to (a job run in place may fail for the job that called it),
    // its line, its text and the failure's message.
    std::string failedJob;
    std::uint32_t failedLine = 0;
    std::string failedStatement;
    std::string message;
    std::uint32_t outputLines = 0; ///< output lines printed while it ran

    /// A statement failed, or the run aborted the queue.
    bool Failed() const { return failure != Failure::None || result == kResultAbort; }
};

/// The word of a run result: "continue", "break", "stop", "abort", "deleted", or
/// "unknown".
std::string ControlWordOf(std::uint32_t result);

} // namespace ob::history
