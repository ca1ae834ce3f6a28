// Host and job-control directives: -quit, -hide, -show, -proxy, -load and -kill.
// They run on the engine thread, inside a job's run; the host receives what they ask
// for as events and decides what to do with it.
#include "engine/actions/directive_table.h"
#include "engine/actions/statement_executor.h"
#include "engine/expansion/argument_tokeniser.h"

#include "engine/jobs/session_jobs.h"
#include "engine/loading/job_loader.h"
#include "engine/loading/text_mode.h"
#include "engine/scheduling/scheduler.h"
#include "engine/services/service_loader.h"
#include "engine/session/engine_messages.h"
#include "engine/session/engine_session.h"
#include "engine/session/event_poster.h"
#include "engine/session/output.h"
#include "obrenta/obrenta.h"
#include "platform/error/win_error.h"
#include "platform/fs/find_files.h"
#include "platform/lifetime/unique_fd.h"
#include "platform/text/ascii_case.h"
#include "platform/text/blank.h"
#include "platform/time/ole_date.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <fcntl.h>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace ob::engine {
namespace {

constexpr std::string_view kSupplyFilename =
    "You must supply a filename.\r\nExample: -action -load c:\\myJobs.txt";

/// A file handed to the host by "-proxy -load" is held in memory twice (here and in
/// the event); anything larger than this is refused rather than read, so that a
/// device such as /dev/zero cannot exhaust memory.
constexpr std::size_t kMaxProxyFileBytes = 64u * 1024u * 1024u;

struct ProxyCommand {
    std::string_view name;
    std::uint32_t event;
};

// In the order of comparison.
constexpr std::array<ProxyCommand, 8> kProxyCommands = {{
    {"-start", 2008},
    {"-stop", 2009},
    {"-load", 2010},
    {"-initialize", 2014},
    {"-state", 2015},
    {"-connect", 2011},
    {"-shutdown", 2013},
    {"-ping", 2012},
}};

enum class ReadResult { Read, CannotOpen, TooLarge };

/// Reads a whole file in text mode ("\r\n" becomes "\n"). A directory, like a file
/// that cannot be opened or read, counts as one that cannot be opened.
ReadResult ReadTextFile(const std::string& path, std::string& content) {
    const UniqueFd file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!file.Valid()) {
        return ReadResult::CannotOpen;
    }
    struct stat status {};
    if (::fstat(file.Get(), &status) != 0 || S_ISDIR(status.st_mode)) {
        return ReadResult::CannotOpen;
    }
    std::string bytes;
    std::array<char, 65536> buffer{};
    for (;;) {
        const ssize_t got = ::read(file.Get(), buffer.data(), buffer.size());
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return ReadResult::CannotOpen;
        }
        if (got == 0) {
            break;
        }
        if (bytes.size() + static_cast<std::size_t>(got) > kMaxProxyFileBytes) {
            return ReadResult::TooLarge;
        }
        bytes.append(buffer.data(), static_cast<std::size_t>(got));
    }
    content = FromTextMode(bytes);
    return ReadResult::Read;
}

/// "-proxy -load" words...: the file's whole content goes to the host as 2010.
Outcome ProxyLoad(ActionContext& context) {
    const auto& words = context.words;
    if (words.size() < 3) {
        return FatalFailure(context, kSupplyFilename);
    }
    std::string name = words[2];
    for (std::size_t i = 3; i < words.size(); ++i) {
        name.append(" ").append(words[i]);
    }
    std::string content;
    switch (ReadTextFile(name, content)) {
    case ReadResult::CannotOpen:
        return FatalFailure(context, "Could not open file \"" + name + "\"");
    case ReadResult::TooLarge:
        return FatalFailure(context, "Could not open file \"" + name + "\": larger than " +
                                         std::to_string(kMaxProxyFileBytes / (1024 * 1024)) +
                                         " MB.");
    case ReadResult::Read:
        break;
    }
    PostTextEvent(context.session, 2010, content);
    return Outcome::Done;
}

bool IsRunning(const EngineSession& session, const Job* job) {
    return std::find(session.runningJobs.begin(), session.runningJobs.end(), job) !=
           session.runningJobs.end();
}

/// A -kill report line: a system message for an internal job, printed otherwise.
void KillReport(EngineSession& session, bool internal, const std::string& text) {
    if (internal) {
        SystemMessage(session, text, LEVEL_INTERNAL);
    } else {
        PrintText(session, text, true);
    }
}

/// "-load ... -service NAME": loads a registered service module into the session.
Outcome LoadServiceDirective(ActionContext& context, const std::string& name, bool jobOptions) {
    if (jobOptions) {
        PrintText(context.session, "-temp, -wait and -internal may not be used with -service",
                  true);
    }
    if (name.empty()) {
        return FatalFailure(context,
                            "You must supply a service.\r\nExample: -action -load_service FTP");
    }
    const int code = LoadService(context.session, name);
    if (code != SERVICE_LOADED) {
        return SoftFailure(context, LoadCodeText(code));
    }
    return Outcome::Done;
}

} // namespace

Outcome DirectiveQuit(ActionContext& context) {
    // Outcome 4 without the fatal-error report: $RUNTIME decides how the run ends.
    PostEvent(context.session, OB_EV_QUIT, 0);
    return Outcome::Fatal;
}

Outcome DirectiveHideShow(ActionContext& context) {
    const bool hide = text::EqualsIgnoringCase(context.words[0], "-hide");
    PostEvent(context.session, hide ? OB_EV_HIDE : OB_EV_SHOW, 0);
    return Outcome::Done;
}

Outcome DirectiveProxy(ActionContext& context) {
    const auto& words = context.words;
    if (words.size() >= 2) {
        for (const ProxyCommand& command : kProxyCommands) {
            if (!text::EqualsIgnoringCase(words[1], command.name)) {
                continue;
            }
            if (command.event == 2010) {
                return ProxyLoad(context);
            }
            PostEvent(context.session, command.event, 0);
            return Outcome::Done;
        }
    }
    // "-proxy" is a directive only together with one of its sub-commands.
    return FatalFailure(context, "Unknown -action directive \"" + words[0] + "\"");
}

Outcome DirectiveLoad(ActionContext& context) {
    bool temporary = false;
    bool internal = false;
    bool wait = false;
    bool service = false;
    std::string name;
    for (std::size_t i = 1; i < context.words.size(); ++i) {
        const std::string& word = context.words[i];
        if (text::EqualsIgnoringCase(word, "-temp")) {
            temporary = true;
        } else if (text::EqualsIgnoringCase(word, "-internal")) {
            internal = true;
        } else if (text::EqualsIgnoringCase(word, "-wait")) {
            wait = true;
        } else if (text::EqualsIgnoringCase(word, "-service")) {
            service = true;
        } else {
            name.append(word).append(" ");
        }
    }
    name = std::string(text::TrimRight(name, text::kWhiteSpace));

    if (service) {
        return LoadServiceDirective(context, name, temporary || internal || wait);
    }
    if (name.empty()) {
        return FatalFailure(context, kSupplyFilename);
    }

    EngineSession& session = context.session;
    const std::uint32_t options = internal ? LOAD_INTERNAL : 0;
    const bool pattern = fs::HasWildcards(name);
    // Jobs leave the queue only on this (the engine) thread, so the jobs this load
    // adds start at the queue's present length.
    std::size_t firstNew = 0;
    {
        SessionLock lock(session);
        firstNew = session.jobs.Size();
    }
    error::SetLastError(error::ERROR_SUCCESS);
    const bool loaded = pattern ? LoadJobScriptsByPattern(session, name, options, temporary)
                                : LoadJobScript(session, name.c_str(), options, temporary);
    if (!loaded) {
        // The loader has printed what went wrong. A file that could not be opened
        // for lack of descriptors or memory fails only this statement.
        PostEvent(session, OB_EV_NOTIFY, OB_NOTIFY_TEMPLATE_FAILED);
        if (const auto reason = ShortageReason(error::GetLastError())) {
            return SoftFailure(context,
                               "Cannot open the file " + name + " for reading: " + *reason);
        }
        return Outcome::Fatal;
    }
    if (wait && !pattern) {
        // One scheduler step at once for the first job this load queued. (The head
        // of the queue may be the job running this statement, or an unrelated one;
        // a step may delete the job it processes, which must never be a running one.)
        Job* job = nullptr;
        {
            SessionLock lock(session);
            if (session.jobs.Size() > firstNew) {
                job = session.jobs.At(firstNew);
            }
        }
        if (job != nullptr && !IsRunning(session, job)) {
            // The step runs on this statement's stack like a call: a file that loads
            // itself this way stops at the depth limit.
            if (!RunDepthLeft(session)) {
                return FatalFailure(context, RunDepthMessage(*job));
            }
            // A step on its own: there is no pass whose end the result could ask for.
            static_cast<void>(ProcessOneJob(session, job));
        }
    }
    return Outcome::Done;
}

Outcome DirectiveKill(ActionContext& context) {
    const std::string pattern = JoinWords(context.words, 1);
    // An empty pattern (an empty quoted word, a variable that expanded to blanks)
    // would match every job: it counts as no name at all.
    if (pattern.empty()) {
        return FatalFailure(context, "You must specify the job to kill by name.");
    }

    EngineSession& session = context.session;
    for (;;) {
        Job* job = FindJobByName(session, pattern);
        if (job == nullptr) {
            return Outcome::Done;
        }
        if (IsRunning(session, job)) {
            PrintText(session, pattern + " is active and cannot be deleted.", true);
            return Outcome::Done;
        }
        const bool internal = job->TestFlags(JF_INTERNAL);
        const std::string now = LongTimeNow();
        KillReport(session, internal, "Found:" + pattern + ": " + now + ".");
        KillReport(session, internal, "--Kill triggered, removing " + pattern + ".");
        if (!DeleteJob(session, job)) {
            // Not queued any more: nothing left to delete (and no endless loop).
            return Outcome::Done;
        }
    }
}

} // namespace ob::engine
