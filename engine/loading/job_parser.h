// The block parser: turns the job text of a script into jobs, statement by
// statement, and appends each completed job to the session's queue. Runs on the
// loading thread; takes the session lock only to take a job number and to queue a
// job.
#pragma once

#include "engine/jobs/job.h"
#include "engine/loading/line_reader.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace ob::engine {

struct EngineSession;

/// Results of ParseStatement; a result other than Ok ends the block with its message.
enum class [[nodiscard]] ParseResult{
    Ok = 0,
    Failed = 1,              ///< the statement's own parser failed
    MissingArgument = 2,     ///< the keyword needs arguments
    Unknown = 3,             ///< statement not recognised
    ParenthesesExpected = 4, ///< a script call without its argument list
};

/// Where the parser is in one file.
struct ParseContext {
    std::string fileName;
    /// Given to every job of the file.
    std::shared_ptr<const std::string> scriptText;
    std::uint32_t loaderFlags = 0;
    std::uint32_t jobsOpened = 0; ///< incremented at every "{"
};

/// Parses the next block of `jobText` (line numbers counted from the first line
/// read by this call). True when a job was completed or no further block exists;
/// false on a format error (message printed, 2000/1003 posted, job discarded).
bool ParseOneJob(EngineSession& session, ParseContext& context, LineReader& jobText);

/// Parses one statement line into `job`; Ok or one of the failure results.
ParseResult ParseStatement(EngineSession& session, Job& job, std::uint32_t line,
                           std::string_view text);

/// Applies the obsolete "-action -inc" rewrite and the exclusive rule, then queues
/// the job.
bool CompleteJob(EngineSession& session, std::unique_ptr<Job> job);

} // namespace ob::engine
