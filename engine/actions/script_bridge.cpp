#include "engine/actions/script_bridge.h"

namespace ob::engine {

Outcome RunScriptStatement(ActionContext& context) {
    return FatalFailure(context, "Error: Unknown VBScript error.");
}

} // namespace ob::engine
