// Script statements: an action whose first word starts with a letter and names no
// directive calls a VBScript function of the job's script. Engine thread only.
//
// No interpreter is wired in yet: every script statement ends in the fatal failure
// that the unavailable script control reports, "Error: Unknown VBScript error.".
#pragma once

#include "engine/actions/action_context.h"

namespace ob::engine {

/// Runs the statement as a call of a script function; its directive outcome.
Outcome RunScriptStatement(ActionContext& context);

} // namespace ob::engine
