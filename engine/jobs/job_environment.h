// The first statement of every job: its variables ($FILENAME, $NAME, $FLAGS and
// those actions add), the script text of its file, and its run statistics.
#pragma once

#include "engine/jobs/statement.h"
#include "platform/time/ole_date.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace ob::engine {

class JobEnvironment final : public Statement {
public:
    std::uint32_t Kind() const override { return KIND_ENVIRONMENT; }

    /// NAME=value entries in the order they were added.
    std::vector<std::string> variables;
    /// The script text of the job's file, shared by every job of that file (a file
    /// of many jobs would otherwise hold its whole text once per job).
    std::shared_ptr<const std::string> scriptText;
    std::uint32_t timesCalled = 0;
    std::uint32_t totalRunMs = 0;
    datetime::OleDate created;
    /// Start of the run in progress (monotonic).
    std::chrono::steady_clock::time_point runStarted;
};

} // namespace ob::engine
