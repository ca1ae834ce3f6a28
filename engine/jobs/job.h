// A job: what one brace-delimited block of a job script becomes. An ordered list of
// statements whose first element is always the job's JobEnvironment.
//
// The queue owns its jobs and a job its statements. The session lock guards the
// statement list of every queued job (adding, removing, walking); the statements
// themselves are changed only on the engine thread.
#pragma once

#include "engine/jobs/job_environment.h"
#include "engine/jobs/statement.h"
#include "platform/time/ole_date.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ob::engine {

// Job flags ($FLAGS).
inline constexpr std::uint32_t JF_INTERNAL = 2;
inline constexpr std::uint32_t JF_EXPIRED = 32;
inline constexpr std::uint32_t JF_EXCLUSIVE = 64;

class Job {
public:
    /// A job with its JobEnvironment created at `created`.
    explicit Job(const datetime::OleDate& created);

    JobEnvironment& Env() { return *env_; }
    const JobEnvironment& Env() const { return *env_; }

    /// The statements in order, the JobEnvironment first.
    const std::vector<std::unique_ptr<Statement>>& Statements() const { return statements_; }
    void Add(std::unique_ptr<Statement> statement);
    /// The first statement of a kind, or null.
    Statement* FindStatement(std::uint32_t kind) const;
    bool HasStartStatement() const { return FindStatement(KIND_START) != nullptr; }

    /// Sets "NAME=value": an entry without "=" is refused; an entry with the same
    /// name (without regard to case) is replaced, or removed when the new value is
    /// empty; otherwise the entry is appended (also with an empty value).
    bool SetVariable(std::string_view assignment);
    /// The value of a job variable, or nothing.
    std::optional<std::string> GetVariable(std::string_view name) const;

    /// True when $FLAGS has any of the bits (a missing $FLAGS is 0).
    bool TestFlags(std::uint32_t bits) const;
    /// $FLAGS |= bits, written back in decimal.
    void SetFlags(std::uint32_t bits);
    std::uint32_t Flags() const;

    /// $NAME after %-expansion, or "unnamed" when it is missing.
    std::string Name() const;

    /// Run statistics: counts the run and starts its timer / adds its duration.
    void BeginRun();
    void EndRun();

private:
    JobEnvironment* env_;
    std::vector<std::unique_ptr<Statement>> statements_;
};

} // namespace ob::engine
