// The system directives: -log, -logfile, -date, -path, -debug, -spin, -beep and
// -sleep. Engine thread; -sleep and -spin hold up the scheduler for their duration.

#include "engine/actions/directive_table.h"
#include "engine/expansion/argument_tokeniser.h"
#include "engine/session/engine_session.h"
#include "engine/session/event_poster.h"
#include "engine/session/output.h"
#include "platform/error/win_error.h"
#include "platform/fs/temp_file.h"
#include "platform/fs/write_all.h"
#include "platform/text/ascii_case.h"
#include "platform/text/blank.h"
#include "platform/time/ole_date.h"
#include "variables/variable_manager.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace ob::engine {
namespace {

std::string Trim(std::string_view text) {
    return std::string(text::Trim(text, text::kWhiteSpace));
}

// A decimal number as the C library's atoi reads it, clamped to int instead of
// overflowing.
int DecimalValue(const std::string& text) {
    const long value = std::strtol(text.c_str(), nullptr, 10);
    if (value > INT_MAX) {
        return INT_MAX;
    }
    if (value < INT_MIN) {
        return INT_MIN;
    }
    return static_cast<int>(value);
}

std::string Quoted(std::string_view prefix, std::string_view text) {
    std::string message(prefix);
    message.append("\"").append(text).append("\"");
    return message;
}

// Today's date at the time of day of `time`.
datetime::OleDate TodayAt(const datetime::OleDate& time) {
    datetime::DateParts today;
    datetime::DateParts clock;
    if (!datetime::OleDate::Now().GetParts(today) || !time.GetParts(clock)) {
        return datetime::OleDate::InvalidDate();
    }
    return datetime::OleDate::FromParts(today.year, today.month, today.day, clock.hour,
                                        clock.minute, clock.second);
}

} // namespace

Outcome DirectiveLog(ActionContext& context) {
    if (context.words.size() < 2) {
        return FatalFailure(context,
                            "You must supply a filename.\r\nExample: -action -load c:\\myJobs.txt");
    }
    const std::string& file = context.words[1];
    std::string line;
    for (std::size_t i = 2; i < context.words.size(); ++i) {
        if (i > 2) {
            line.push_back(' ');
        }
        line.append(context.words[i]);
    }
    line.push_back('\n');
    const int fd = ::open(file.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOCTTY, 0666);
    if (fd < 0) {
        return ResourceFailure(context, Quoted("Could not open file ", file),
                               error::FromErrno(errno));
    }
    // One write: lines appended by several processes do not interleave.
    const bool written = fs::WriteAll(fd, line);
    const bool closed = ::close(fd) == 0;
    if (!written || !closed) {
        return FatalFailure(context, Quoted("Could not write file ", file));
    }
    return Outcome::Done;
}

Outcome DirectiveLogFile(ActionContext& context) {
    const std::string path = context.words.size() > 1 ? JoinWords(context.words, 1)
                                                      : fs::TempDirectory() + "obrenta.log";
    {
        SessionLock lock(context.session);
        context.session.logFile = path;
    }
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOCTTY, 0666);
    if (fd < 0) {
        const int openError = errno;
        {
            SessionLock lock(context.session);
            context.session.logFile.clear();
        }
        return ResourceFailure(context, Quoted("Unable to open logfile ", path),
                               error::FromErrno(openError));
    }
    ::close(fd);
    PostTextEvent(context.session, OB_EV_LOGFILE, path);
    return Outcome::Done;
}

Outcome DirectiveDate(ActionContext& context) {
    const bool timeOnly =
        context.words.size() > 1 && text::EqualsIgnoringCase(context.words[1], "-time");
    const std::string text = JoinWords(context.words, timeOnly ? 2 : 1);
    datetime::OleDate value = datetime::OleDate::Parse(text);
    if (value.IsValid() && timeOnly) {
        value = TodayAt(value);
    }
    if (!value.IsValid()) {
        PrintText(context.session, "Failed to parse: " + text);
        return Outcome::Done;
    }
    std::string formatted = Trim(value.Format());
    if (formatted.empty()) {
        formatted = "Invalid DateTime";
    }
    PrintText(context.session, "Result: " + text + "= " + formatted);
    return Outcome::Done;
}

Outcome DirectivePath(ActionContext& context) {
    const auto path = vars::MainStore().Get(nullptr, "PATH", vars::ENV_TRANSIENT);
    PrintText(context.session, "Result: " + (path ? *path : std::string("(null)")));
    return Outcome::Done;
}

Outcome DirectiveDebug(ActionContext& context) {
    if (context.words.size() < 2) {
        return FatalFailure(context, "You must supply a debug level.");
    }
    unsigned int level = 0;
    if (std::sscanf(Trim(context.words[1]).c_str(), "%x", &level) != 1) {
        level = 0;
    }
    const std::uint32_t newLevel = level == 0 ? 0 : (OutputLevel() | level);
    char text[16];
    std::snprintf(text, sizeof text, "%x", static_cast<unsigned int>(newLevel));
    return SetProcessVariable(context, "JR.OUTPUT_LEVEL", text);
}

Outcome DirectiveSpin(ActionContext& context) {
    if (context.words.size() < 2) {
        return FatalFailure(context, "You must supply a spin count.");
    }
    const int count = DecimalValue(context.words[1]);
    if (count > 0) {
        const std::uint64_t rounds = static_cast<std::uint64_t>(count);
        volatile std::uint64_t sink = 0; // keeps the loop from being optimised away
        for (std::uint64_t outer = 0; outer < rounds; ++outer) {
            for (std::uint64_t inner = 0; inner < 1000 * rounds; ++inner) {
                sink = sink + inner;
            }
        }
    }
    return Outcome::Done;
}

Outcome DirectiveBeep(ActionContext& context) {
    (void)context; // the sound type has no meaning without a system sound API
    // The terminal bell, when standard error is a terminal that can ring it.
    if (::isatty(STDERR_FILENO) == 1) {
        const ssize_t ignored = ::write(STDERR_FILENO, "\a", 1);
        (void)ignored;
    }
    return Outcome::Done;
}

Outcome DirectiveSleep(ActionContext& context) {
    if (context.words.size() < 2) {
        return FatalFailure(context, "Missing Sleep value (in milliseconds.)");
    }
    // A negative value reads as a huge unsigned count, -1 as no limit at all; the
    // wake-up event still ends such a sleep.
    const auto milliseconds = static_cast<std::uint32_t>(DecimalValue(context.words[1]));
    context.session.wakeup.ResetEvent();
    if (context.session.wakeup.Wait(milliseconds)) {
        context.job.SetVariable("$RETURN=break");
        return Outcome::Return;
    }
    return Outcome::Done;
}

} // namespace ob::engine
