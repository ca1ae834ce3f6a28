// An action statement: a directive and its arguments, or a call of a script
// function. An "-action -match" statement owns its match time statement.
#pragma once

#include "engine/atom.h"
#include "engine/time_atom.h"

#include <memory>

namespace ob::engine {

class actionAtom final : public atom {
public:
    std::uint32_t kind() const override { return KIND_ACTION; }

    /// The match statement (kind 7) of "-action -match", destroyed with the action.
    std::unique_ptr<timeAtom> match;
};

} // namespace ob::engine
