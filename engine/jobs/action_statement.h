// An action statement: a directive and its arguments, or a call of a script
// function. An "-action -match" statement owns its match time statement.
#pragma once

#include "engine/jobs/statement.h"
#include "engine/jobs/time_statement.h"

#include <memory>

namespace ob::engine {

class ActionStatement final : public Statement {
public:
    std::uint32_t Kind() const override { return KIND_ACTION; }

    /// The match statement (kind 7) of "-action -match", destroyed with the action.
    std::unique_ptr<TimeStatement> match;
};

} // namespace ob::engine
