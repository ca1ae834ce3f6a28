#include "engine/console/console_commands.h"

#include "common/regex/regex_program.h"
#include "common/system_error_text.h"
#include "engine/console/command_server.h"
#include "engine/console/console_help.h"
#include "engine/console/history_command.h"
#include "engine/console/job_listing.h"
#include "engine/console/telnet_parser.h"
#include "engine/expansion/leading_integer.h"
#include "engine/jobs/session_jobs.h"
#include "engine/session/engine_session.h"
#include "platform/text/ascii_case.h"
#include "platform/text/blank.h"

#include <algorithm>
#include <unistd.h>
#include <vector>

namespace ob::engine {
namespace {

constexpr int kDefaultLogLines = 50;
constexpr std::size_t kMaxHostName = 128;
constexpr std::size_t kOverflowShown = 72;

// Command lines separate their words by blank and tab.
bool IsBlank(char c) {
    return text::IsBlank(c, text::kBlankTab);
}

std::string_view Trim(std::string_view text) {
    return text::Trim(text, text::kBlankTab);
}

std::string HostName() {
    char name[kMaxHostName + 1] = {};
    if (::gethostname(name, kMaxHostName) != 0) {
        return {};
    }
    return name;
}

void QueueAll(ConsoleConnection& c, std::vector<std::string> texts) {
    for (std::string& text : texts) {
        c.QueueBack(std::move(text));
    }
}

// Sends "Invalid range." for a count below 1; otherwise queues the log lines.
bool LogLines(EngineSession& session, ConsoleConnection& c, const std::string& word, bool newest) {
    const int count = word.empty() ? kDefaultLogLines : LeadingInteger(word);
    if (count < 1) {
        c.QueueFront("Invalid range.\r\n");
        return false;
    }
    std::vector<std::string> lines;
    {
        SessionLock lock(session);
        const std::size_t size = session.log.Size();
        const std::size_t shown = std::min(size, static_cast<std::size_t>(count));
        lines.reserve(shown);
        for (std::size_t i = 0; i < shown; ++i) {
            const std::size_t index = newest ? size - 1 - i : i;
            lines.push_back(session.log.At(index) + "\r\n");
        }
    }
    QueueAll(c, std::move(lines));
    return true;
}

bool Find(EngineSession& session, ConsoleConnection& c, const std::string& pattern) {
    if (pattern.empty()) {
        QueueAll(c, HelpText("find"));
        return false;
    }
    auto program = common::CompileRegex(pattern); // null: nothing matches
    std::vector<std::string> lines;
    {
        SessionLock lock(session);
        for (std::size_t i = 0; i < session.log.Size(); ++i) {
            if (common::MatchRegex(program.get(), session.log.At(i)) == 1) {
                lines.push_back(session.log.At(i) + "\r\n");
            }
        }
    }
    const std::size_t matches = lines.size();
    lines.push_back(std::to_string(matches) + " line(s)\r\n");
    QueueAll(c, std::move(lines));
    return true;
}

bool Kill(EngineSession& session, ConsoleConnection& c, const std::string& pattern) {
    // A destructive command without a pattern deletes nothing (an option-like word
    // is no pattern either): it answers with its usage, as `find` does.
    if (pattern.empty() || pattern.front() == '-') {
        QueueAll(c, HelpText("kill"));
        return false;
    }
    int killed = 0;
    while (Job* job = FindJobByName(session, pattern)) {
        if (!KillJob(session, job)) {
            break;
        }
        ++killed;
    }
    c.QueueFront("Killed " + std::to_string(killed) + " job(s) named " + pattern + "\r\n");
    return true;
}

void Echo(ConsoleConnection& c, const std::string& word) {
    if (word.empty()) {
        QueueAll(c, HelpText("echo"));
        return;
    }
    std::string bytes;
    const bool off = word == "off";
    for (std::uint8_t b :
         {kIac, off ? kWill : kWont, kEchoOption, kIac, off ? kDont : kDo, kEchoOption}) {
        bytes.push_back(static_cast<char>(b));
    }
    c.QueueBack(std::move(bytes));
}

void Finish(ConsoleConnection& c, bool ok) {
    c.QueueBack(ok ? "+OK\r\n" : "+FAILED\r\n");
    c.QueueBack(Prompt(c.loginState));
}

} // namespace

CommandWords SplitCommandLine(std::string_view line) {
    CommandWords words;
    line = Trim(line);
    const auto end = std::find_if(line.begin(), line.end(), IsBlank);
    words.command.assign(line.begin(), end);
    const std::string_view rest = Trim(line.substr(words.command.size()));
    const auto firstEnd = std::find_if(rest.begin(), rest.end(), IsBlank);
    words.first.assign(rest.begin(), firstEnd);
    const auto lastBlank = std::find_if(rest.rbegin(), rest.rend(), IsBlank);
    words.last.assign(lastBlank.base(), rest.end());
    return words;
}

std::string Prompt(std::uint32_t loginState) {
    switch (loginState) {
    case kExpectUser:
        return "Username: ";
    case kExpectPassword:
        return "Password: ";
    default:
        return "OB:" + HostName() + "> ";
    }
}

std::string Greeting() {
    const std::string rule = "*" + std::string(63, '=') + "\r\n";
    return rule + "\tWelcome to Obrenta Command Server.\r\n" +
           "\tType 'help' for a command summary.\r\n" +
           "\tOr 'help command' for help on a specific command.\r\n" + rule + "\r\n" +
           Prompt(kExpectUser);
}

void ExecuteLine(EngineSession& session, CommandServer& server, std::size_t index,
                 const std::string& line) {
    ConsoleConnection& c = server.Connection(index);
    if (Trim(line).empty()) {
        return; // no answer and no prompt
    }
    const CommandWords words = SplitCommandLine(line);
    if (c.loginState == kExpectUser) {
        c.user = words.command;
        c.loginState = kExpectPassword;
        Finish(c, true);
        return;
    }
    if (c.loginState == kExpectPassword) {
        c.password = words.command;
        server.BeginLogon(session, index);
        return;
    }

    const std::string& command = words.command;
    auto is = [&command](std::string_view name) { return text::EqualsIgnoringCase(command, name); };
    bool ok = true;
    if (is("hello")) {
        c.QueueFront("Hello\r\n");
    } else if (is("list")) {
        QueueAll(c, ListJobs(session, words.first, words.last));
    } else if (is("kill")) {
        ok = Kill(session, c, words.last);
    } else if (is("head")) {
        ok = LogLines(session, c, words.first, false);
    } else if (is("tail")) {
        ok = LogLines(session, c, words.first, true);
    } else if (is("find")) {
        ok = Find(session, c, words.last);
    } else if (is("history")) {
        std::vector<std::string> listing;
        ok = HistoryCommand(session, Trim(line).substr(command.size()), listing);
        QueueAll(c, std::move(listing));
    } else if (is("help")) {
        QueueAll(c, HelpText(words.first));
    } else if (is("exit")) {
        server.Close(index, "Exiting...\r\n");
        return;
    } else if (is("echo")) {
        Echo(c, words.first);
    } else if (is("OVERFLOW")) {
        c.QueueFront("\r\nBuffer overflow: <" + words.first.substr(0, kOverflowShown) + ">\r\n");
    } else {
        c.QueueFront("Huh?\r\n");
    }
    Finish(c, ok);
}

void FinishLogon(CommandServer& server, std::size_t index, const LogonOutcome& outcome) {
    ConsoleConnection& c = server.Connection(index);
    c.password.assign(c.password.size(), '\0');
    c.password.clear();
    if (outcome.error != 0) {
        c.QueueBack(common::SystemErrorText(outcome.error) + "\r\n");
        c.QueueBack("Please try again.\r\n");
        c.loginState = kExpectUser;
        Finish(c, false);
        return;
    }
    if (!outcome.administrator) {
        c.QueueBack("Your login is correct, but you do not have Administrator privileges.\r\n");
        c.QueueBack("Please login with an Administrative account.\r\n");
        c.loginState = kExpectUser;
        Finish(c, false);
        return;
    }
    c.loginState = kLoggedIn;
    Finish(c, true);
}

} // namespace ob::engine
