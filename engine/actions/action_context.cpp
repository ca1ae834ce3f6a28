#include "engine/actions/action_context.h"

#include "engine/history/run_history.h"
#include "engine/loading/core_dump.h"
#include "engine/session/engine_messages.h"
#include "engine/session/engine_session.h"
#include "engine/session/event_poster.h"
#include "engine/session/output.h"
#include "obrenta/obrenta.h"
#include "variables/variable_manager.h"

#include <string>

namespace ob::engine {
namespace {

std::string OrNull(const std::optional<std::string>& value) {
    return value ? *value : std::string("(null)");
}

} // namespace

Outcome SoftFailure(ActionContext& context, std::string_view message) {
    NoteRunFailure(context, message, history::Failure::Soft);
    const std::string text(message);
    OB_GeneralError(text.c_str());
    return Outcome::SoftFailure;
}

Outcome FatalFailure(ActionContext& context, std::string_view message) {
    NoteRunFailure(context, message, history::Failure::Fatal);
    EngineSession& session = context.session;
    const Job& job = context.job;
    const auto fileName = job.GetVariable("$FILENAME");
    if (fileName) {
        PrintText(session, "Error in file " + *fileName, true);
    }
    PrintText(session, message, true);

    SystemMessage(session, "Job $FILENAME->" + OrNull(fileName), LEVEL_INTERNAL);
    SystemMessage(session, "Job $NAME->" + OrNull(job.GetVariable("$NAME")), LEVEL_INTERNAL);
    SystemMessage(session, "Job $FLAGS->" + OrNull(job.GetVariable("$FLAGS")), LEVEL_INTERNAL);
    SystemMessage(session, "Statement->\"" + context.statement.Text() + "\"", LEVEL_INTERNAL);
    SystemMessage(session, "Statement line->" + std::to_string(context.statement.line),
                  LEVEL_INTERNAL);
    SystemMessage(session, "Statement flags->" + std::to_string(context.statement.flags),
                  LEVEL_INTERNAL);

    // The queue as it stands goes to the core file beside the program, so that the
    // jobs can be inspected and loaded again.
    const std::string corePath = CoreDumpPath();
    if (!corePath.empty()) {
        WriteCoreDump(session, corePath);
    }
    PostEvent(session, OB_EV_NOTIFY, OB_NOTIFY_SCRIPT_ERROR);
    return Outcome::Fatal;
}

Outcome MissingArgument(ActionContext& context) {
    const std::string directive = context.words.empty() ? std::string() : context.words[0];
    return FatalFailure(context, "Missing argument for directive \"" + directive + "\"");
}

Outcome SetProcessVariable(ActionContext& context, const std::string& name,
                           const std::string& value, bool persist) {
    // The environment silently refuses an empty name; that is a failed write, not
    // a success.
    const bool written =
        !name.empty() &&
        vars::MainStore().PutEnv(nullptr, name.c_str(), value.c_str(),
                                 persist ? vars::ENV_PERSISTENT : vars::ENV_TRANSIENT) == 0;
    if (!written) {
        return FatalFailure(context, "Unable to set environment variable: \"" + name + "\"");
    }
    return Outcome::Done;
}

} // namespace ob::engine
