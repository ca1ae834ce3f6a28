// The "-spawn" directive: starts a program, hands a document to the desktop's
// opener, or starts a program as another account. Engine thread; a waited launch
// holds up the scheduler until the program ends (the break event is not consulted
// meanwhile).

#include "common/password_mask.h"
#include "common/system_error_text.h"
#include "engine/actions/directive_table.h"
#include "engine/expansion/expand_text.h"
#include "engine/session/engine_session.h"
#include "engine/session/event_poster.h"
#include "engine/session/output.h"
#include "obrenta/obrenta.h"
#include "platform/process/launch_program.h"
#include "platform/process/launch_shell.h"
#include "platform/security/launch_as_user.h"
#include "platform/text/ascii_case.h"
#include "platform/text/blank.h"
#include "variables/variable_manager.h"

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <optional>
#include <string>

namespace ob::engine {
namespace {

using namespace ob::process;

bool IsWhite(char c) {
    return text::IsBlank(c, text::kLineBlanks);
}

std::string Trim(std::string_view text) {
    return std::string(text::Trim(text, text::kLineBlanks));
}

// Removes a word from the front of the rest: leading white space, then as many
// characters as the word has, and two more for the quotes when the rest does not
// begin with the word's first character (the word was written in double quotes).
void RemoveWord(std::string& rest, const std::string& word) {
    std::size_t start = 0;
    while (start < rest.size() && IsWhite(rest[start])) {
        ++start;
    }
    rest.erase(0, start);
    std::size_t length = word.size();
    if (rest.empty() || word.empty() || rest.front() != word.front()) {
        length += 2;
    }
    rest.erase(0, std::min(length, rest.size()));
}

struct SpawnOptions {
    std::uint32_t flags = CP_ASYNC;
    bool shell = false;
    bool account = false;
    std::optional<std::string> user;
    std::optional<std::string> domain;
    std::optional<std::string> password;
    std::optional<std::string> program;
    std::string rest;
};

// A flag option's bit; false when the word is not one.
bool FlagOption(const std::string& word, SpawnOptions& options) {
    struct Flag {
        const char* name;
        std::uint32_t set;
    };
    static constexpr Flag kFlags[] = {
        {"-spawn", 0},
        {"-detach", CP_DETACH},
        {"-wait_idle", CP_WAIT_IDLE},
        {"-hide", CP_HIDE},
        {"-minimize", CP_MINIMIZE},
        {"-profile", CP_PROFILE},
        {"-netcredentials_only", CP_NET_CREDENTIALS_ONLY},
    };
    if (text::EqualsIgnoringCase(word, "-wait")) {
        options.flags &= ~CP_ASYNC;
        return true;
    }
    if (text::EqualsIgnoringCase(word, "-shell")) {
        options.shell = true;
        return true;
    }
    for (const Flag& flag : kFlags) {
        if (text::EqualsIgnoringCase(word, flag.name)) {
            options.flags |= flag.set;
            return true;
        }
    }
    return false;
}

std::optional<std::string>* ValuedOption(const std::string& word, SpawnOptions& options) {
    if (text::EqualsIgnoringCase(word, "-user")) {
        return &options.user;
    }
    if (text::EqualsIgnoringCase(word, "-domain")) {
        return &options.domain;
    }
    if (text::EqualsIgnoringCase(word, "-password")) {
        return &options.password;
    }
    return nullptr;
}

// Walks the words: options, then the program word, removing each option (and
// option value) from the rest.
SpawnOptions ReadOptions(const ActionContext& context) {
    SpawnOptions options;
    options.rest = Expanded(context.statement.Text());
    const std::vector<std::string>& words = context.words;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (FlagOption(word, options)) {
            RemoveWord(options.rest, word);
            continue;
        }
        if (std::optional<std::string>* value = ValuedOption(word, options)) {
            options.account = true;
            RemoveWord(options.rest, word);
            if (i + 1 >= words.size()) {
                break; // a valued option at the end: no program
            }
            *value = words[++i];
            RemoveWord(options.rest, **value);
            continue;
        }
        options.program = word;
        break;
    }
    return options;
}

void ReportFailure(ActionContext& context, const std::string& firstLine, std::uint32_t error) {
    PrintText(context.session, firstLine, true);
    PostEvent(context.session, OB_EV_NOTIFY, OB_NOTIFY_LAUNCH_FAILED);
    PrintText(context.session, "--" + common::SystemErrorText(error), true);
}

} // namespace

Outcome DirectiveSpawn(ActionContext& context) {
    SpawnOptions options = ReadOptions(context);
    // The statement goes into failure messages: never with its password.
    const std::string statementText = common::MaskPasswords(context.statement.Text());
    if (!options.program) {
        PrintText(context.session,
                  "Failure during spawn. Missing program name: (" + statementText + ").", true);
        PostEvent(context.session, OB_EV_NOTIFY, OB_NOTIFY_LAUNCH_FAILED);
        return Outcome::Fatal; // $RUNTIME decides; not a fatal-error report
    }
    std::fflush(nullptr);
    std::cout.flush();
    std::cerr.flush();

    const std::string commandLine = Trim(options.rest);
    const std::string& program = *options.program;
    LaunchOutcome outcome;

    if (options.shell) {
        if ((options.flags & CP_DETACH) != 0) {
            PrintText(context.session, "Warning: You cannot combine -detach with -shell", true);
            options.flags &= ~CP_DETACH;
        }
        LaunchShell(options.flags, "", commandLine, "", outcome);
        if (!outcome.success) {
            ReportFailure(context,
                          "Failure during shell of: " + program + " (" + statementText + ").",
                          outcome.error);
        }
        return Outcome::Done;
    }

    const bool waited = (options.flags & CP_ASYNC) == 0;
    if (waited && (options.flags & CP_DETACH) != 0) {
        PrintText(context.session, "Warning: You cannot combine -wait and -detach", true);
        PrintText(context.session, "Try: -wait and -hide instead", true);
        options.flags &= ~CP_DETACH;
    }
    if (options.account) {
        security::LaunchAsUser(options.flags, options.user.value_or(""),
                               options.domain.value_or(""), options.password.value_or(""),
                               commandLine, outcome);
    } else {
        LaunchProgram(options.flags, commandLine, outcome);
    }

    if (!outcome.success) {
        // A waited launch that failed is reported like an asynchronous one, and its
        // return code is -1: a return code of 0 would read as the program's success.
        ReportFailure(context, "Failure during spawn of: " + program + " (" + statementText + ").",
                      outcome.error);
    }
    if (waited) {
        const int exitCode = outcome.success ? outcome.exitCode : -1;
        const std::string text = std::to_string(exitCode);
        vars::MainStore().PutEnv(nullptr, "JR.COMMAND_RETURN", text.c_str(), vars::ENV_TRANSIENT);
        PrintText(context.session, "Return code(" + text + ") for " + program + ".", true);
    }
    return Outcome::Done;
}

} // namespace ob::engine
