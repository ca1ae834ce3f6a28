// Flow control and variables: -meta, -print, -set, -onerror, -call, -return,
// -raise, -SetEvent/-ClearEvent, -CheckEvent, -match, -test, -if, -while and
// -foreach -file.
#include "engine/actions/directive_table.h"
#include "engine/actions/expression_evaluator.h"
#include "engine/actions/file_variables.h"
#include "engine/actions/statement_executor.h"
#include "engine/expansion/argument_tokeniser.h"
#include "engine/jobs/session_jobs.h"
#include "engine/session/engine_session.h"
#include "engine/session/output.h"
#include "obrenta/obrenta.h"
#include "platform/fs/find_files.h"
#include "platform/text/ascii_case.h"
#include "variables/variable_manager.h"

#include <string>
#include <vector>

namespace ob::engine {
namespace {

bool Is(const std::string& word, std::string_view name) {
    return text::EqualsIgnoringCase(word, name);
}

// Argument `index` (words[0] being the directive), or null.
const std::string* Argument(const ActionContext& context, std::size_t index) {
    return index < context.words.size() ? &context.words[index] : nullptr;
}

void SetLastError(const std::string& text) {
    OB_GeneralError(text.c_str());
}

void LabelNotFound(ActionContext& context, const std::string& name) {
    PrintText(context.session, "Label not found: \"" + name + "\"", true);
}

// The statement split again, so that its variables are expanded as they are now.
std::vector<std::string> SplitAgain(const ActionContext& context) {
    std::vector<std::string> words;
    ArgumentTokeniser(context.statement.Text(), TOKENISE_EXPAND, words);
    return words;
}

// The value of word 1 of a fresh split, or nothing when it is missing or does not
// evaluate. -if and -while share the error report.
bool EvaluateCondition(const std::vector<std::string>& words, std::int32_t& value) {
    if (words.size() < 2) {
        return false;
    }
    const ExpressionResult result = EvaluateExpression(words[1]);
    value = result.value;
    return result.ok();
}

Outcome ConditionError(ActionContext& context) {
    SetLastError("Invalid expression format");
    return FatalFailure(context, "-eval expression error.");
}

// The outcome after a job run in place by -if, -while or -foreach: a non-zero run
// result is handed on to the caller's run through $RETURN.
Outcome OutcomeOfRun(ActionContext& context, RunResult runResult) {
    switch (runResult) {
    case RunResult::Continue:
        return Outcome::Done;
    case RunResult::Break:
    case RunResult::JobDeleted:
        context.job.SetVariable("$RETURN=break");
        break;
    case RunResult::Stop:
        context.job.SetVariable("$RETURN=stop");
        break;
    case RunResult::Abort:
        context.job.SetVariable("$RETURN=abort");
        break;
    }
    return Outcome::Return;
}

bool BreakRequested(ActionContext& context) {
    if (!context.session.breakEvent.IsSet()) {
        return false;
    }
    context.job.SetVariable("$RETURN=break");
    return true;
}

// Runs the job the pattern names in place. False (after the label message) when no
// queued job matches.
bool RunNamedJob(ActionContext& context, const std::string& pattern, RunResult& runResult) {
    Job* target = FindJobByName(context.session, pattern);
    if (target == nullptr) {
        LabelNotFound(context, pattern);
        return false;
    }
    runResult = RunJobInPlace(context.session, context.runContext, *target);
    return true;
}

} // namespace

Outcome DirectiveMeta(ActionContext& /*context*/) {
    return Outcome::Done;
}

Outcome DirectivePrint(ActionContext& context) {
    for (std::size_t i = 1; i < context.words.size(); ++i) {
        PrintText(context.session, context.words[i] + " ", false);
    }
    PrintText(context.session, "", true);
    return Outcome::Done;
}

Outcome DirectiveSet(ActionContext& context) {
    std::size_t index = 1;
    bool evaluate = false;
    bool persist = false;
    if (const std::string* word = Argument(context, index); word != nullptr && Is(*word, "-eval")) {
        evaluate = true;
        ++index;
    }
    if (const std::string* word = Argument(context, index);
        word != nullptr && Is(*word, "-persist")) {
        persist = true;
        ++index;
    }
    const std::string* assignment = Argument(context, index);
    if (assignment == nullptr) {
        return FatalFailure(context, "Missing variable assignment.");
    }
    std::string name = *assignment;
    std::string value = *assignment;
    if (const std::size_t equals = assignment->find('='); equals != std::string::npos) {
        name = assignment->substr(0, equals);
        value = assignment->substr(equals + 1);
    }
    if (evaluate) {
        const ExpressionResult result = EvaluateExpression(value);
        if (!result.ok()) {
            return FatalFailure(context, "-eval expression error.");
        }
        value = std::to_string(result.value);
    }
    return SetProcessVariable(context, name, value, persist);
}

Outcome DirectiveOnError(ActionContext& context) {
    const std::string* handler = Argument(context, 1);
    if (handler == nullptr) {
        return FatalFailure(context, "Missing onerror handler name.");
    }
    context.job.SetVariable("$ONERROR=" + *handler);
    return Outcome::Done;
}

Outcome DirectiveCall(ActionContext& context) {
    const std::string* target = Argument(context, 1);
    context.job.SetVariable("$CALL=" + (target != nullptr ? *target : std::string("continue")));
    return Outcome::Call;
}

Outcome DirectiveReturn(ActionContext& context) {
    const std::string* value = Argument(context, 1);
    context.job.SetVariable("$RETURN=" + (value != nullptr ? *value : std::string("continue")));
    return Outcome::Return;
}

Outcome DirectiveRaise(ActionContext& context) {
    return SoftFailure(context, "User raised exception.");
}

Outcome DirectiveSetEvent(ActionContext& context) {
    const std::string* name = Argument(context, 1);
    if (name == nullptr) {
        return MissingArgument(context);
    }
    return SetProcessVariable(context, *name, Is(context.words[0], "-ClearEvent") ? "0" : "1");
}

Outcome DirectiveCheckEvent(ActionContext& context) {
    std::size_t index = 1;
    bool except = false;
    if (const std::string* word = Argument(context, index);
        word != nullptr && Is(*word, "-except")) {
        except = true;
        ++index;
    }
    const std::string* name = Argument(context, index);
    if (name == nullptr) {
        return MissingArgument(context);
    }
    const auto value = vars::MainStore().Get(nullptr, name->c_str(), vars::ENV_TRANSIENT);
    const bool set = value && !value->empty() && value->front() != '0';
    // The condition selects the $ONERROR handler without touching the last error.
    return set != except ? Outcome::SoftFailure : Outcome::Done;
}

Outcome DirectiveMatch(ActionContext& /*context*/) {
    // Every -match statement is inert from loading; its time statement serves the
    // time-change reset only.
    return Outcome::Done;
}

Outcome DirectiveTest(ActionContext& context) {
    const std::string* expression = Argument(context, 1);
    if (expression == nullptr) {
        return SoftFailure(context, "Variable not set in -test. Exception raised.");
    }
    const ExpressionResult result = EvaluateExpression(*expression);
    if (!result.ok()) {
        SetLastError("Invalid -test expression format: " + *expression);
        return FatalFailure(context, "-test format error.");
    }
    return result.value != 0 ? Outcome::Done : Outcome::SoftFailure;
}

Outcome DirectiveIf(ActionContext& context) {
    if (context.words.size() < 3) {
        SetLastError("Invalid format for -if");
        return FatalFailure(context, "-if expression error.");
    }
    const std::vector<std::string> words = SplitAgain(context);
    std::int32_t value = 0;
    if (!EvaluateCondition(words, value)) {
        return ConditionError(context);
    }
    const std::size_t targetIndex = value != 0 ? 2 : 3;
    if (targetIndex >= words.size()) {
        return Outcome::Done;
    }
    RunResult runResult = RunResult::Continue;
    if (!RunNamedJob(context, words[targetIndex], runResult)) {
        return Outcome::Done;
    }
    return OutcomeOfRun(context, runResult);
}

Outcome DirectiveWhile(ActionContext& context) {
    if (context.words.size() < 3) {
        SetLastError("Invalid format for -while");
        return FatalFailure(context, "-while expression error.");
    }
    for (;;) {
        const std::vector<std::string> words = SplitAgain(context);
        std::int32_t value = 0;
        if (!EvaluateCondition(words, value)) {
            return ConditionError(context);
        }
        if (value == 0) {
            return Outcome::Done;
        }
        if (BreakRequested(context)) {
            return Outcome::Return;
        }
        // A target that expanded to nothing this round names no job (an empty
        // pattern would match the first queued job).
        if (words.size() < 3) {
            LabelNotFound(context, std::string());
            continue;
        }
        RunResult runResult = RunResult::Continue;
        if (!RunNamedJob(context, words[2], runResult)) {
            continue;
        }
        if (runResult != RunResult::Continue) {
            return OutcomeOfRun(context, runResult);
        }
    }
}

Outcome DirectiveForeach(ActionContext& context) {
    if (context.words.size() < 5) {
        return MissingArgument(context);
    }
    if (!Is(context.words[1], "-file")) {
        return FatalFailure(context, "-foreach enumeration type not supported.");
    }
    const std::string& pattern = context.words[2];
    const std::string& variable = context.words[3];
    const std::string& jobName = context.words[4];
    const std::vector<fs::FindData> entries = fs::FindFiles(pattern);
    if (entries.empty()) {
        return SoftFailure(context, "No files matching pattern.");
    }
    std::string directory;
    std::string lastComponent;
    fs::SplitPath(pattern, directory, lastComponent);
    constexpr std::uint32_t kSkipped =
        fs::FILE_ATTRIBUTE_READONLY | fs::FILE_ATTRIBUTE_HIDDEN | fs::FILE_ATTRIBUTE_DIRECTORY;
    bool used = false;
    for (const fs::FindData& entry : entries) {
        if (BreakRequested(context)) {
            return Outcome::Return;
        }
        if ((entry.attributes & kSkipped) != 0) {
            continue;
        }
        used = true;
        if (const Outcome outcome = SetFileVariables(context, variable, directory, entry);
            outcome != Outcome::Done) {
            return outcome;
        }
        RunResult runResult = RunResult::Continue;
        if (!RunNamedJob(context, jobName, runResult)) {
            continue;
        }
        if (runResult != RunResult::Continue) {
            return OutcomeOfRun(context, runResult);
        }
    }
    if (!used) {
        return SoftFailure(context, "No files matching pattern.");
    }
    return Outcome::Done;
}

} // namespace ob::engine
