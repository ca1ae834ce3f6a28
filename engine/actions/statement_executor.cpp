#include "engine/actions/statement_executor.h"

#include "engine/actions/directive_table.h"
#include "engine/actions/script_bridge.h"
#include "engine/expansion/argument_tokeniser.h"
#include "engine/jobs/session_jobs.h"
#include "engine/scheduling/job_run.h"
#include "engine/services/service_call.h"
#include "engine/session/engine_session.h"
#include "engine/session/output.h"
#include "platform/lifetime/scope_exit.h"
#include "platform/text/ascii_case.h"
#include "platform/text/blank.h"

#include <exception>
#include <optional>
#include <string>
#include <utility>

namespace ob::engine {
namespace {

// The statement being executed on this thread, innermost first. A run refused at
// the depth limit reports its fatal failure against the statement that asked for
// it. Each session executes on its own engine thread, so one slot per thread
// serves every session.
thread_local ActionContext* currentStatement = nullptr;

// Control values are compared after trimming the white space of the C locale.
std::string_view Trimmed(std::string_view text) {
    return text::Trim(text, text::kWhiteSpace);
}

bool IsAsciiLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// The run result of a control word, or nothing when the value names a job.
std::optional<RunResult> ControlWord(std::string_view value) {
    if (text::EqualsIgnoringCase(value, "continue")) {
        return RunResult::Continue;
    }
    if (text::EqualsIgnoringCase(value, "break")) {
        return RunResult::Break;
    }
    if (text::EqualsIgnoringCase(value, "stop")) {
        return RunResult::Stop;
    }
    if (text::EqualsIgnoringCase(value, "abort")) {
        return RunResult::Abort;
    }
    return std::nullopt;
}

// The control variable an outcome consults, and its value when it is not set.
struct ControlVariable {
    const char* name;
    const char* fallback;
};

ControlVariable ControlVariableOf(Outcome outcome) {
    switch (outcome) {
    case Outcome::SoftFailure:
        return {"$ONERROR", "continue"};
    case Outcome::Call:
        return {"$CALL", "continue"};
    case Outcome::Return:
        return {"$RETURN", "continue"};
    case Outcome::Done:
    case Outcome::Fatal:
        break;
    }
    return {"$RUNTIME", "abort"};
}

// A run refused because the running-job stack is full: the statement that asked
// for it fails fatally. Its $RUNTIME still decides the result when it holds a
// control word; a job named there could not run any deeper, so that aborts.
RunResult DepthExceeded(EngineSession& session, Job& job) {
    const std::string message = RunDepthMessage(job);
    ActionContext* context = currentStatement;
    if (context == nullptr || &context->session != &session) {
        PrintText(session, message, true);
        return RunResult::Abort;
    }
    // The report is made; the outcome is known to be Fatal, whose $RUNTIME decides.
    static_cast<void>(FatalFailure(*context, message));
    const std::string runtime = context->job.GetVariable("$RUNTIME").value_or("abort");
    return ControlWord(Trimmed(runtime)).value_or(RunResult::Abort);
}

} // namespace

RunResult ExecuteStatement(EngineSession& session, TimeStatement* runContext,
                           ActionStatement& statement, Job& job) {
    std::vector<std::string> words;
    const TokeniseResult split = ArgumentTokeniser(statement.Text(), TOKENISE_EXPAND, words);
    ActionContext context{session, runContext, statement, job, words};
    ActionContext* const outer = std::exchange(currentStatement, &context);
    const ScopeExit restore([outer] { currentStatement = outer; });
    const Outcome outcome = split == TokeniseResult::Ok
                                ? Dispatch(context)
                                : FatalFailure(context, "Too many quoted separators in statement.");
    if (outcome == Outcome::Done) {
        return RunResult::Continue;
    }
    const ControlVariable control = ControlVariableOf(outcome);
    const std::string value = job.GetVariable(control.name).value_or(control.fallback);
    return ApplyControlValue(session, runContext, value);
}

Outcome Dispatch(ActionContext& context) {
    EngineSession& session = context.session;
    if (session.breakEvent.IsSet()) {
        context.job.SetVariable("$RETURN=break");
        return Outcome::Return;
    }
    if (!context.statement.comment.empty()) {
        PrintText(session, context.statement.comment, true);
    }
    if ((context.statement.flags & STF_INERT) != 0) {
        return Outcome::Done;
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

bool RunDepthLeft(const EngineSession& session) {
    return session.runningJobs.size() < kMaxRunDepth;
}

std::string RunDepthMessage(const Job& job) {
    return "Job call depth exceeded: \"" + job.Name() + "\" (more than " +
           std::to_string(kMaxRunDepth) + " jobs running in place)";
}

RunResult RunJobInPlace(EngineSession& session, TimeStatement* runContext, Job& job) {
    if (!RunDepthLeft(session)) {
        return DepthExceeded(session, job);
    }
    const RunResult result = RunJob(session, runContext, job);
    // The step result steers a scheduler pass; a run in place is not a step of one.
    static_cast<void>(RunControl(session, job, result));
    return result;
}

RunResult ApplyControlValue(EngineSession& session, TimeStatement* runContext,
                            std::string_view value) {
    const std::string_view trimmed = Trimmed(value);
    if (const auto result = ControlWord(trimmed)) {
        return *result;
    }
    Job* target = FindJobByName(session, trimmed);
    if (target == nullptr) {
        PrintText(session, "Label not found: \"" + std::string(trimmed) + "\"", true);
        return RunResult::Abort;
    }
    return RunJobInPlace(session, runContext, *target);
}

} // namespace ob::engine
