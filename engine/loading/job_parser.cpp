#include "engine/loading/job_parser.h"

#include "common/password_mask.h"
#include "engine/expansion/argument_tokeniser.h"
#include "engine/jobs/action_statement.h"
#include "engine/jobs/session_jobs.h"
#include "engine/jobs/skip_statement.h"
#include "engine/jobs/time_statement.h"
#include "engine/loading/date_token_names.h"
#include "engine/loading/obsolete_syntax.h"
#include "engine/scheduling/time_evaluation.h"
#include "engine/session/engine_messages.h"
#include "engine/session/engine_session.h"
#include "engine/session/event_poster.h"
#include "engine/session/output.h"
#include "platform/text/ascii_case.h"
#include "platform/text/blank.h"

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace ob::engine {
namespace {

// Statement lines count the white space of the C locale as blank.
constexpr std::string_view kBlank = text::kWhiteSpace;

std::string_view SkipBlank(std::string_view text) {
    return text::TrimLeft(text, kBlank);
}

std::string_view Trim(std::string_view text) {
    return text::Trim(text, kBlank);
}

bool IsBlank(std::string_view text) {
    return text::IsBlank(text, kBlank);
}

// Statement lines are C strings to the language: a NUL ends the line there.
std::string_view UpToNul(std::string_view text) {
    return text.substr(0, text.find('\0'));
}

bool IsLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// The keyword of a statement: the characters up to the first "(", blank, tab,
// carriage return or newline.
std::string_view ReadKeyword(std::string_view text) {
    constexpr std::string_view kEnd = "(\r\n\t ";
    return text.substr(0, text.find_first_of(kEnd));
}

// A script function call names its function with a leading run of letters, digits
// and underscores that begins with a letter.
bool IsIdentifier(std::string_view keyword) {
    return !keyword.empty() && IsLetter(keyword[0]);
}

bool Is(std::string_view word, std::string_view keyword) {
    return text::EqualsIgnoringCase(word, keyword);
}

// The statement the last successful parse added, or null when it added none.
Statement* AddedSince(const Job& job, std::size_t countBefore) {
    const auto& statements = job.Statements();
    return statements.size() > countBefore ? statements.back().get() : nullptr;
}

ParseResult AddTimeStatement(EngineSession& session, Job& job, std::uint32_t kind,
                             std::uint32_t line, std::string_view arguments,
                             const std::vector<std::string>& tokens) {
    auto statement = std::make_unique<TimeStatement>(kind, datetime::OleDate::Now());
    statement->line = line;
    statement->SetText(arguments);
    if (!EvaluateTimeStatement(session, tokens, *statement, statement->Text())) {
        return ParseResult::Failed;
    }
    job.Add(std::move(statement));
    return ParseResult::Ok;
}

ParseResult AddSkipStatement(EngineSession& session, Job& job, std::uint32_t line,
                             std::string_view arguments, const std::vector<std::string>& tokens) {
    auto statement = std::make_unique<SkipStatement>();
    statement->line = line;
    statement->SetText(arguments);
    if (!ParseSkip(session, tokens, *statement, statement->Text())) {
        return ParseResult::Failed;
    }
    job.Add(std::move(statement));
    return ParseResult::Ok;
}

// "-name [-exclusive] [-internal] name...": options up to the first other token,
// which starts the name; the name's tokens are joined by single spaces.
ParseResult ApplyName(Job& job, const std::vector<std::string>& tokens) {
    std::string name;
    bool named = false;
    for (const std::string& token : tokens) {
        if (!named) {
            if (Is(token, "-exclusive")) {
                job.SetFlags(JF_EXCLUSIVE);
                continue;
            }
            if (Is(token, "-internal")) {
                job.SetFlags(JF_INTERNAL);
                continue;
            }
            named = true;
        }
        name.append(token).push_back(' ');
    }
    if (!named) {
        return ParseResult::Failed;
    }
    job.SetVariable("$NAME=" + std::string(Trim(name)));
    return ParseResult::Ok;
}

// "-action -match <time>": an inert action that owns the match statement. It is
// added only when the time after "-match" evaluates.
ParseResult AddMatchAction(EngineSession& session, Job& job, std::uint32_t line,
                           std::string_view arguments, std::string_view matchText) {
    auto match = std::make_unique<TimeStatement>(KIND_MATCH, datetime::OleDate::Now());
    match->line = line;
    match->flags = STF_INERT;
    match->SetText(matchText);
    std::vector<std::string> tokens;
    if (ArgumentTokeniser(match->Text(), TOKENISE_EXPAND, tokens) != TokeniseResult::Ok ||
        !EvaluateTimeStatement(session, tokens, *match, match->Text())) {
        return ParseResult::Failed;
    }
    auto action = std::make_unique<ActionStatement>();
    action->line = line;
    action->flags = STF_INERT;
    action->SetText(arguments);
    action->match = std::move(match);
    job.Add(std::move(action));
    return ParseResult::Ok;
}

// The text after "-match" when the first word of the arguments is -match.
bool MatchText(std::string_view arguments, std::string_view& rest) {
    constexpr std::string_view kMatch = "-match";
    const std::string_view text = SkipBlank(arguments);
    if (text.size() < kMatch.size() || !Is(text.substr(0, kMatch.size()), kMatch)) {
        return false;
    }
    rest = text.substr(kMatch.size());
    return rest.empty() || rest.front() == ',' || text::IsBlank(rest.front(), kBlank);
}

ParseResult ParseAction(EngineSession& session, Job& job, std::uint32_t line,
                        std::string_view arguments, const std::vector<std::string>& tokens) {
    if (!tokens.empty() && Is(tokens[0], "-sendkeys")) {
        // Obsolete "-action -sendkeys <window> <keys>": the version probe is dropped,
        // anything else becomes a call of the script function SendKeys. A missing
        // word reads as empty text.
        const std::string window = tokens.size() > 1 ? tokens[1] : std::string();
        if (Is(window, "SENDKEYS.VERSION")) {
            return ParseResult::Ok;
        }
        const std::string keys = tokens.size() > 2 ? tokens[2] : std::string();
        const std::size_t before = job.Statements().size();
        if (ParseStatement(session, job, line, "SendKeys(\"" + keys + "\")") == ParseResult::Ok) {
            if (Statement* call = AddedSince(job, before)) {
                call->comment = kSendKeysComment;
            }
        }
        return ParseResult::Ok;
    }
    std::string_view matchText;
    if (MatchText(arguments, matchText)) {
        return AddMatchAction(session, job, line, arguments, matchText);
    }
    // A variable named like a date token cannot be read back by its reference.
    for (const std::string& warning :
         DateTokenNameWarnings(arguments, job.GetVariable("$FILENAME").value_or("(null)"), line)) {
        SystemMessage(session, warning, LEVEL_INTERNAL);
    }
    auto action = std::make_unique<ActionStatement>();
    action->line = line;
    action->SetText(arguments);
    job.Add(std::move(action));
    return ParseResult::Ok;
}

// Obsolete "-command <command line>": parsed as "-action -spawn <command line>".
ParseResult ParseCommand(EngineSession& session, Job& job, std::uint32_t line,
                         std::string_view arguments) {
    const std::size_t before = job.Statements().size();
    std::string rewritten = "-action -spawn ";
    rewritten.append(arguments);
    if (ParseStatement(session, job, line, rewritten) == ParseResult::Ok) {
        if (Statement* action = AddedSince(job, before)) {
            action->comment = kCommandComment;
        }
    }
    return ParseResult::Ok;
}

// A format error ends the block: the message is printed, the host hears of a
// script error, and the unfinished job is discarded by the caller.
bool Fail(EngineSession& session, const std::string& message) {
    PrintText(session, message, true);
    PostEvent(session, OB_EV_NOTIFY, OB_NOTIFY_SCRIPT_ERROR);
    return false;
}

std::string StatementError(ParseResult result, const std::string& fileName,
                           std::string_view rawLine) {
    const std::string line = common::MaskPasswords(rawLine);
    std::string message;
    switch (result) {
    case ParseResult::Failed:
        message = "Format error while processing " + fileName + ".";
        break;
    case ParseResult::MissingArgument:
        message = "Format error while processing " + fileName + ".\r\nExpected argument ";
        message.append(line).append(".");
        break;
    case ParseResult::ParenthesesExpected:
        message = "Format error while processing " + fileName + ".\r\nExpected parentheses ";
        message.append(line).append(".");
        break;
    case ParseResult::Ok:
    case ParseResult::Unknown:
        message = "Error while processing " + fileName + ".\r\nUnknown statment in line ";
        message.append(line).append(".");
        break;
    }
    return message;
}

// Opens a job at "{": the JobEnvironment with the file's script text, then $FLAGS,
// $FILENAME and the automatic $NAME.
std::unique_ptr<Job> OpenJob(EngineSession& session, ParseContext& context) {
    ++context.jobsOpened;
    auto job = std::make_unique<Job>(datetime::OleDate::Now());
    job->Env().scriptText = context.scriptText;
    job->SetVariable("$FLAGS=" + std::to_string(static_cast<std::int32_t>(context.loaderFlags)));
    job->SetVariable("$FILENAME=" + context.fileName);
    std::uint32_t number = 0;
    {
        SessionLock lock(session);
        number = session.nextJobNumber++;
    }
    char name[32];
    std::snprintf(name, sizeof name, "$NAME=JOB:%X", static_cast<unsigned>(number));
    job->SetVariable(name);
    return job;
}

} // namespace

bool ParseOneJob(EngineSession& session, ParseContext& context, LineReader& jobText) {
    std::unique_ptr<Job> job;
    std::uint32_t line = 0;
    std::string_view raw;
    while (jobText.Next(raw)) {
        ++line;
        const std::string_view text = SkipBlank(UpToNul(raw));
        if (text.empty() || text.front() == '#') {
            continue;
        }
        if (!job) {
            if (text.front() != '{') {
                return Fail(session, "Format error while processing " + context.fileName +
                                         ".\r\n Expected '{'");
            }
            job = OpenJob(session, context);
            if (!IsBlank(text.substr(1))) {
                return Fail(session, "Format error while processing " + context.fileName +
                                         ".\r\n Expected 'new line'");
            }
            continue;
        }
        if (text.front() == '}') {
            return CompleteJob(session, std::move(job));
        }
        const ParseResult result = ParseStatement(session, *job, line, text);
        if (result != ParseResult::Ok) {
            return Fail(session, StatementError(result, context.fileName, text));
        }
    }
    if (job) {
        return Fail(session, "Premature end-of-file while processing " + context.fileName + ".");
    }
    return true;
}

ParseResult ParseStatement(EngineSession& session, Job& job, std::uint32_t line,
                           std::string_view text) {
    text = SkipBlank(UpToNul(text));
    const std::string_view keyword = ReadKeyword(text);
    if (keyword.empty()) {
        return ParseResult::Failed;
    }
    const std::string_view arguments = text.substr(keyword.size());
    std::vector<std::string> tokens;
    if (ArgumentTokeniser(arguments, TOKENISE_EXPAND, tokens) != TokeniseResult::Ok) {
        return ParseResult::Failed;
    }
    const bool noArguments = IsBlank(arguments);

    if (Is(keyword, "-start")) {
        return AddTimeStatement(session, job, KIND_START, line, arguments, tokens);
    }
    if (Is(keyword, "-stop")) {
        return AddTimeStatement(session, job, KIND_STOP, line, arguments, tokens);
    }
    if (Is(keyword, "-skip") || Is(keyword, "-name") || Is(keyword, "-suspend") ||
        Is(keyword, "-resume") || Is(keyword, "-action")) {
        if (noArguments) {
            return ParseResult::MissingArgument;
        }
        if (Is(keyword, "-skip")) {
            return AddSkipStatement(session, job, line, arguments, tokens);
        }
        if (Is(keyword, "-name")) {
            return ApplyName(job, tokens);
        }
        if (Is(keyword, "-suspend")) {
            return AddTimeStatement(session, job, KIND_SUSPEND, line, arguments, tokens);
        }
        if (Is(keyword, "-resume")) {
            return AddTimeStatement(session, job, KIND_RESUME, line, arguments, tokens);
        }
        return ParseAction(session, job, line, arguments, tokens);
    }
    if (Is(keyword, "-command")) {
        return ParseCommand(session, job, line, arguments);
    }
    if (keyword.front() == '-' || !IsIdentifier(keyword)) {
        return ParseResult::Unknown;
    }
    if (noArguments) {
        return ParseResult::ParenthesesExpected;
    }
    // A call of a script function keeps the keyword with its arguments, including
    // any blank between them.
    auto call = std::make_unique<ActionStatement>();
    call->line = line;
    call->SetText(text);
    job.Add(std::move(call));
    return ParseResult::Ok;
}

bool CompleteJob(EngineSession& session, std::unique_ptr<Job> job) {
    if (!job) {
        return false;
    }
    ApplyObsoleteIncrement(session, *job);
    const bool exclusive = job->TestFlags(JF_EXCLUSIVE);
    const std::string name = exclusive ? job->Name() : std::string();
    // One hold of the (recursive) session lock, so that no namesake can be queued
    // between the expiry and the append.
    SessionLock lock(session);
    if (exclusive) {
        ExpireNamesakes(session, name);
    }
    AddJob(session, std::move(job));
    return true;
}

} // namespace ob::engine
