// A job: one brace-delimited block of a job script with its statements.
//
// The session sees jobs only through this interface: the queue owns them, the
// scheduler asks whether a job still has a start statement, and the queue deletes
// them. The job model proper (statements, variables, flags) builds on it.
#pragma once

#include <cstdint>
#include <string>

namespace ob::engine {

class Job {
public:
    virtual ~Job() = default;

    /// True while the job holds at least one start statement (such jobs are the
    /// ones counted by OB_GetJobCount and the ones that keep a pass busy).
    virtual bool HasStartStatement() const = 0;
    virtual const std::string& Name() const = 0;
};

} // namespace ob::engine
