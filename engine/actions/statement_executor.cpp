#include "engine/actions/statement_executor.h"

#include "engine/actions/directive_table.h"
#include "engine/actions/script_bridge.h"
#include "engine/expansion/argument_tokeniser.h"
#include "engine/jobs/session_jobs.h"
#include "engine/scheduling/job_run.h"
#include "engine/services/service_call.h"
#include "engine/session/engine_session.h"
#include "engine/session/output.h"
#include "platform/text/ascii_case.h"

#include <exception>
#include <optional>
#include <string>

namespace ob::engine {
namespace {

// The statement being executed on this thread, innermost first. A run refused at
// the depth limit reports its fatal failure against the statement that asked for
// it. Each session executes on its own engine thread, so one slot per thread
// serves every session.
thread_local ActionContext* currentStatement = nullptr;

class CurrentStatement {
public:
    explicit CurrentStatement(ActionContext& context) : previous_(currentStatement) {
        currentStatement = &context;
    }
    ~CurrentStatement() { currentStatement = previous_; }
    CurrentStatement(const CurrentStatement&) = delete;
    CurrentStatement& operator=(const CurrentStatement&) = delete;

private:
    ActionContext* previous_;
};

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

bool IsAsciiLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// The run result of a control word, or nothing when the value names a job.
std::optional<int> ControlWord(std::string_view value) {
    if (text::EqualsIgnoringCase(value, "continue")) {
        return RUN_CONTINUE;
    }
    if (text::EqualsIgnoringCase(value, "break")) {
        return RUN_BREAK;
    }
    if (text::EqualsIgnoringCase(value, "stop")) {
        return RUN_STOP;
    }
    if (text::EqualsIgnoringCase(value, "abort")) {
        return RUN_ABORT;
    }
    return std::nullopt;
}

// The control variable an outcome consults, and its value when it is not set.
struct ControlVariable {
    const char* name;
    const char* fallback;
};

ControlVariable ControlVariableOf(int outcome) {
    switch (outcome) {
    case OUTCOME_SOFT_FAILURE:
        return {"$ONERROR", "continue"};
    case OUTCOME_CALL:
        return {"$CALL", "continue"};
    case OUTCOME_RETURN:
        return {"$RETURN", "continue"};
    default:
        return {"$RUNTIME", "abort"};
    }
}

// A run refused because the running-job stack is full: the statement that asked
// for it fails fatally. Its $RUNTIME still decides the result when it holds a
// control word; a job named there could not run any deeper, so that aborts.
int DepthExceeded(EngineSession& session, Job& job) {
    const std::string message = "Job call depth exceeded: \"" + job.Name() + "\"";
    ActionContext* context = currentStatement;
    if (context == nullptr || &context->session != &session) {
        PrintText(session, message, true);
        return RUN_ABORT;
    }
    FatalFailure(*context, message);
    const std::string runtime = context->job.GetVariable("$RUNTIME").value_or("abort");
    return ControlWord(Trimmed(runtime)).value_or(RUN_ABORT);
}

} // namespace

int ExecuteStatement(EngineSession& session, TimeStatement* runContext, ActionStatement& statement,
                     Job& job) {
    std::vector<std::string> words;
    const TokeniseResult split = ArgumentTokeniser(statement.Text(), TOKENISE_EXPAND, words);
    ActionContext context{session, runContext, statement, job, words};
    CurrentStatement current(context);
    const int outcome = split == TokeniseResult::Ok
                            ? Dispatch(context)
                            : FatalFailure(context, "Too many quoted separators in statement.");
    if (outcome == OUTCOME_DONE) {
        return RUN_CONTINUE;
    }
    const ControlVariable control = ControlVariableOf(outcome);
    const std::string value = job.GetVariable(control.name).value_or(control.fallback);
    return ApplyControlValue(session, runContext, value);
}

int Dispatch(ActionContext& context) {
    EngineSession& session = context.session;
    if (session.breakEvent.IsSet()) {
        context.job.SetVariable("$RETURN=break");
        return OUTCOME_RETURN;
    }
    if (!context.statement.comment.empty()) {
        PrintText(session, context.statement.comment, true);
    }
    if ((context.statement.flags & STF_INERT) != 0) {
        return OUTCOME_DONE;
    }
    const std::string directive = context.words.empty() ? std::string() : context.words[0];
    try {
        for (const Directive& entry : DirectiveTable()) {
            if (text::EqualsIgnoringCase(entry.name, directive)) {
                return entry.handler(context);
            }
        }
        if (!directive.empty() && IsAsciiLetter(directive[0])) {
            return RunScriptStatement(context);
        }
        // Any other word may name a loaded service: "-" and the service's name.
        if (const ServiceModule* service = FindLoadedService(session, directive)) {
            return CallService(context, service->entry);
        }
    } catch (const std::exception& error) {
        // A directive must not take the engine thread down with it.
        return FatalFailure(context, std::string("Internal error in directive \"") + directive +
                                         "\": " + error.what());
    }
    return FatalFailure(context, "Unknown -action directive \"" + directive + "\"");
}

int RunJobInPlace(EngineSession& session, TimeStatement* runContext, Job& job) {
    if (session.runningJobs.size() >= static_cast<std::size_t>(kMaxRunDepth)) {
        return DepthExceeded(session, job);
    }
    const int result = RunJob(session, runContext, job);
    RunControl(session, job, result);
    return result;
}

int ApplyControlValue(EngineSession& session, TimeStatement* runContext, std::string_view value) {
    const std::string_view trimmed = Trimmed(value);
    if (const auto result = ControlWord(trimmed)) {
        return *result;
    }
    Job* target = FindJobByName(session, trimmed);
    if (target == nullptr) {
        PrintText(session, "Label not found: \"" + std::string(trimmed) + "\"", true);
        return RUN_ABORT;
    }
    return RunJobInPlace(session, runContext, *target);
}

} // namespace ob::engine
