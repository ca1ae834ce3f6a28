// Evaluating a time expression into a time statement's fields.
//
// The options are walked left to right from "now"; each takes its own tokens. The
// next time is rebuilt from scratch at every evaluation, while the increment and
// the constrain window change only when an option sets them (an increment given
// by the obsolete "-action -inc" survives a re-evaluation), and flags are only
// ever added.
#include "engine/scheduling/time_specification.h"

#include "engine/expansion/argument_tokeniser.h"
#include "engine/expansion/leading_integer.h"
#include "engine/scheduling/cron_statement.h"
#include "engine/scheduling/whole_seconds.h"
#include "platform/text/ascii_case.h"
#include "platform/time/ole_date.h"

#include <cstddef>
#include <optional>
#include <string>

namespace ob::engine {
namespace {

using datetime::DateParts;
using datetime::OleDate;
using datetime::OleDateSpan;

std::string BadDateFormat(std::string_view statementText) {
    std::string message = "Bad date format ";
    message.append(statementText).append(".");
    return message;
}

std::string ExpectedArgument(std::string_view statementText) {
    std::string message = "Format error while processing ";
    message.append(statementText).append(".\r\n Expected 'argument'");
    return message;
}

bool Is(std::string_view token, std::string_view option) {
    return text::EqualsIgnoringCase(token, option);
}

// `count` tokens from `from` joined by single spaces, or nothing when fewer remain.
std::optional<std::string> Joined(const std::vector<std::string>& tokens, std::size_t from,
                                  std::size_t count) {
    if (from > tokens.size() || tokens.size() - from < count) {
        return std::nullopt;
    }
    std::string joined;
    for (std::size_t i = 0; i < count; ++i) {
        if (i != 0) {
            joined += ' ';
        }
        joined += tokens[from + i];
    }
    return joined;
}

// Days, hours, minutes and seconds from the four tokens after an option.
std::optional<OleDateSpan> SpanAt(const std::vector<std::string>& tokens, std::size_t from) {
    if (from > tokens.size() || tokens.size() - from < 4) {
        return std::nullopt;
    }
    return OleDateSpan(LeadingInteger(tokens[from]), LeadingInteger(tokens[from + 1]),
                       LeadingInteger(tokens[from + 2]), LeadingInteger(tokens[from + 3]));
}

// Today's date at the time of day of `time`; invalid when either has no calendar form.
OleDate TodayAt(const OleDate& now, const OleDate& time) {
    DateParts today;
    DateParts clock;
    if (!now.GetParts(today) || !time.GetParts(clock)) {
        return OleDate::InvalidDate();
    }
    return OleDate::FromParts(today.year, today.month, today.day, clock.hour, clock.minute,
                              clock.second);
}

// -top: the next full hour plus m minutes and s seconds, or this hour's when its
// minute has not yet passed.
OleDate TopOfHour(const OleDate& next, int minutes, int seconds) {
    DateParts parts;
    if (!next.GetParts(parts)) {
        return OleDate::InvalidDate();
    }
    OleDate top = OleDate::FromParts(parts.year, parts.month, parts.day, parts.hour) +
                  OleDateSpan(0, 0, minutes, seconds);
    if (minutes < parts.minute) {
        top = top + OleDateSpan(0, 1, 0, 0);
    }
    return top;
}

bool Representable(const OleDate& date) {
    DateParts parts;
    return date.IsValid() && date.GetParts(parts);
}

} // namespace

bool EvaluateSpecification(ScheduleContext& context, const std::vector<std::string>& tokens,
                           TimeStatement& statement, std::string_view statementText,
                           const OleDate& now) {
    statement.next = now;
    const bool twelveHour = datetime::LocaleUses12Hour();

    std::size_t i = 0;
    while (i < tokens.size()) {
        const std::string& option = tokens[i];
        if (Is(option, "-cron")) {
            const auto found = CronStatementFields::Find(statementText, i);
            if (!found) {
                context.Error(BadDateFormat(statementText));
                return false;
            }
            statement.flags |= STF_CRON;
            statement.cron = common::CronContext::Fresh(now.Value());
            NextCronTimeFromFields(statement, found->Fields(), now);
            return true; // the rest of the text belongs to the cron fields
        }
        if (Is(option, "-delay") || Is(option, "-inc") || Is(option, "-constrain")) {
            const std::optional<OleDateSpan> span = SpanAt(tokens, i + 1);
            if (!span) {
                context.Error(ExpectedArgument(statementText));
                return false;
            }
            if (Is(option, "-delay")) {
                statement.next = statement.next + *span;
            } else if (Is(option, "-inc")) {
                // A negative increment could never carry the next time past now.
                if (span->TotalSeconds() <= 0) {
                    context.Error(BadDateFormat(statementText));
                    return false;
                }
                statement.increment = *span;
            } else {
                statement.constrain = *span;
            }
            i += 5;
            continue;
        }
        if (Is(option, "-top")) {
            ++i;
            int minutes = 0;
            int seconds = 0;
            if (i < tokens.size() && !tokens[i].starts_with('-')) {
                minutes = LeadingInteger(tokens[i++]);
                if (minutes != 0 && i < tokens.size() && !tokens[i].starts_with('-')) {
                    seconds = LeadingInteger(tokens[i++]);
                }
            }
            statement.next = TopOfHour(statement.next, minutes, seconds);
            continue;
        }
        if (Is(option, "-except")) {
            statement.flags |= STF_EXCEPT;
            ++i;
            continue;
        }
        if (Is(option, "-once")) {
            statement.flags |= STF_ONCE;
            ++i;
            continue;
        }
        if (Is(option, "-time")) {
            const std::optional<std::string> text = Joined(tokens, i + 1, twelveHour ? 2 : 1);
            if (!text) {
                context.Error(ExpectedArgument(statementText));
                return false;
            }
            const OleDate time = OleDate::Parse(*text);
            const OleDate today = TodayAt(now, time);
            if (!today.IsValid()) {
                context.Error(BadDateFormat(statementText));
                return false;
            }
            statement.next = today;
            i += twelveHour ? 3 : 2;
            continue;
        }
        // Anything else starts a date and a time.
        const std::size_t count = twelveHour ? 3 : 2;
        const std::optional<std::string> text = Joined(tokens, i, count);
        OleDate date = text ? OleDate::Parse(*text) : OleDate::InvalidDate();
        if (date.IsValid() && date.Value() >= 0.0 && date.Value() < 1.0) {
            date = TodayAt(now, date); // a time alone is a time of today
        }
        if (!date.IsValid()) {
            context.Error(BadDateFormat(statementText));
            return false;
        }
        statement.next = date;
        i += count;
    }

    if ((statement.flags & STF_CRON) == 0 && !Representable(statement.next)) {
        context.Error(BadDateFormat(statementText));
        return false;
    }
    statement.next = WholeSeconds(statement.next);
    return true;
}

bool EvaluateSpecification(EngineSession& session, const std::vector<std::string>& tokens,
                           TimeStatement& statement, std::string_view statementText) {
    SessionScheduleContext context(session);
    return EvaluateSpecification(context, tokens, statement, statementText, OleDate::Now());
}

bool ReevaluateSpecification(ScheduleContext& context, TimeStatement& statement,
                             const OleDate& now) {
    std::vector<std::string> tokens;
    if (ArgumentTokeniser(statement.Text(), TOKENISE_EXPAND, tokens) != TokeniseResult::Ok) {
        context.Error(BadDateFormat(statement.Text()));
        return false;
    }
    return EvaluateSpecification(context, tokens, statement, statement.Text(), now);
}

bool ReevaluateSpecification(EngineSession& session, TimeStatement& statement) {
    SessionScheduleContext context(session);
    return ReevaluateSpecification(context, statement, OleDate::Now());
}

} // namespace ob::engine
