// The interactive directives: -alert (a reminder), -popup (a system-modal message
// box), -FindWindow and -SetForegroundWindow (windows of the X display). Without a
// display each fails at once with its usual message, after a line saying why.
#include "common/regex/regex_program.h"
#include "engine/actions/directive_table.h"
#include "engine/actions/reminder_dialog.h"
#include "engine/session/engine_messages.h"
#include "engine/session/engine_session.h"
#include "engine/session/output.h"
#include "obrenta/obrenta.h"
#include "platform/desktop/desktop_windows.h"
#include "platform/desktop/x_connection.h"
#include "platform/msg/message_queue.h"
#include "platform/toolkit/message_box.h"
#include "variables/variable_manager.h"

#include <cstdio>
#include <memory>
#include <string>

namespace ob::engine {
namespace {

constexpr std::string_view kNotInteractive = "Interactive actions not available from this account.";

bool NonInteractive(const ActionContext& context) {
    return (context.session.flags.load() & SF_NON_INTERACTIVE) != 0;
}

// Prints the words, each followed by a blank, then the end of the line; returns
// the same text.
std::string PrintWords(ActionContext& context) {
    std::string text;
    for (std::size_t i = 1; i < context.words.size(); ++i) {
        text += context.words[i] + " ";
        PrintText(context.session, context.words[i] + " ", false);
    }
    PrintText(context.session, "", true);
    return text;
}

// A condition of -FindWindow: null for "_" (none), else the compiled pattern; a
// pattern that does not compile matches everything.
struct Condition {
    bool given = false;
    std::unique_ptr<common::RegexProgram> program;

    explicit Condition(const std::string& word) : given(word != "_") {
        if (given) {
            program = common::CompileRegex(word);
        }
    }
    bool Matches(const std::string& text) const {
        return !program || common::MatchRegex(program.get(), text) == 1;
    }
};

// True while the session is not being shut down: the message box waits so long.
bool NoShutdownPending() {
    msg::Message m;
    return !msg::PeekMessage(m, EM_SHUTDOWN, EM_SHUTDOWN, msg::PM_NOREMOVE);
}

} // namespace

Outcome DirectiveAlert(ActionContext& context) {
    if (NonInteractive(context)) {
        return FatalFailure(context, kNotInteractive);
    }
    const std::string text = PrintWords(context);
    std::string problem;
    if (CreateReminder(context.session, context.runContext, context.statement, text, context.job,
                       problem) == nullptr) {
        PrintText(context.session, problem, true);
        return FatalFailure(context, kNotInteractive);
    }
    // The job's later runs skip the statement while its reminder is open.
    context.statement.flags |= STF_DONE;
    return Outcome::Done;
}

Outcome DirectivePopup(ActionContext& context) {
    if (NonInteractive(context)) {
        return FatalFailure(context, kNotInteractive);
    }
    const std::string text = PrintWords(context);
    std::string problem;
    if (toolkit::ShowMessageBox("Obrenta", text, NoShutdownPending, problem) ==
        toolkit::MessageBoxResult::NoDisplay) {
        PrintText(context.session, problem, true);
        return FatalFailure(context, kNotInteractive);
    }
    return Outcome::Done;
}

Outcome DirectiveFindWindow(ActionContext& context) {
    if (context.words.size() < 4) {
        return MissingArgument(context);
    }
    const Condition title(context.words[2]);
    const Condition className(context.words[3]);
    desktop::XConnection connection;
    if (connection.Open() != desktop::DisplayStatus::Ok) {
        PrintText(context.session, connection.Problem(), true);
        return SoftFailure(context, "No matching window found.");
    }
    desktop::WindowId found = 0;
    for (const desktop::DesktopWindow& window : desktop::WalkWindows(connection)) {
        const bool titleQualifies =
            !title.given || (!window.title.empty() && title.Matches(window.title));
        if (titleQualifies && (!className.given || className.Matches(window.className))) {
            found = window.id;
        }
    }
    if (found == 0) {
        return SoftFailure(context, "No matching window found.");
    }
    char hex[32];
    std::snprintf(hex, sizeof hex, "%llx", static_cast<unsigned long long>(found));
    return SetProcessVariable(context, context.words[1], hex);
}

Outcome DirectiveSetForegroundWindow(ActionContext& context) {
    if (context.words.size() < 2) {
        return MissingArgument(context);
    }
    const auto value =
        vars::MainStore().Get(nullptr, context.words[1].c_str(), vars::ENV_TRANSIENT);
    if (!value) {
        return SoftFailure(context, "Parameter error.");
    }
    unsigned long long id = 0;
    if (std::sscanf(value->c_str(), "%llx", &id) != 1) {
        return Outcome::SoftFailure; // not a window handle: no message, the last error kept
    }
    desktop::XConnection connection;
    if (connection.Open() != desktop::DisplayStatus::Ok) {
        PrintText(context.session, connection.Problem(), true);
        return SoftFailure(context, "Unable to set foreground window.");
    }
    if (desktop::ActivateWindow(connection, id) != desktop::Activation::Activated) {
        return SoftFailure(context, "Unable to set foreground window.");
    }
    return Outcome::Done;
}

} // namespace ob::engine
