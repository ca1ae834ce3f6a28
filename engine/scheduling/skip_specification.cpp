// Skip statements: the days of the week or of the year on which a job does not
// fire.
#include "engine/expansion/leading_integer.h"
#include "engine/scheduling/specification_error.h"
#include "engine/scheduling/time_specification.h"
#include "platform/text/ascii_case.h"
#include "platform/time/ole_date.h"

#include <string>

namespace ob::engine {
namespace {

constexpr std::size_t kDaysOfWeek = 7;
constexpr std::size_t kDaysOfYear = 366;

} // namespace

bool ParseSkip(EngineSession& session, const std::vector<std::string>& tokens,
               SkipStatement& statement, std::string_view statementText) {
    if (tokens.size() < 2) {
        std::string message = "Bad skip format ";
        message.append(statementText).append(".");
        ReportSpecificationError(session, message);
        return false;
    }
    std::size_t size = 0;
    if (text::EqualsIgnoringCase(tokens[0], "-week")) {
        size = kDaysOfWeek;
    } else if (text::EqualsIgnoringCase(tokens[0], "-year")) {
        size = kDaysOfYear;
    }
    if (size == 0 || tokens.size() - 1 > size) {
        ReportSpecificationError(session,
                                 "Bad skip format. Expected either \"-week\" or \"-year\".");
        return false;
    }
    std::vector<std::uint8_t> days(size, 0);
    for (std::size_t i = 1; i < tokens.size(); ++i) {
        const std::string& token = tokens[i];
        const int day =
            token.empty() || token[0] < '0' || token[0] > '9' ? -1 : LeadingInteger(token);
        if (day < 0 || static_cast<std::size_t>(day) > size) {
            std::string message = "Bad skip format. Value out of range ";
            message.append(statementText).append(".");
            ReportSpecificationError(session, message);
            return false;
        }
        if (day == 0) {
            break; // 0 ends the list
        }
        days[static_cast<std::size_t>(day) - 1] = 1;
    }
    statement.days = std::move(days);
    return true;
}

bool SkippedOn(const std::vector<std::unique_ptr<Statement>>& statements,
               const datetime::OleDate& day) {
    datetime::DateParts today;
    if (!day.GetParts(today)) {
        return false;
    }
    for (const auto& statement : statements) {
        const auto* skip = dynamic_cast<const SkipStatement*>(statement.get());
        if (skip == nullptr) {
            continue;
        }
        // dayOfWeek counts from 0 = Sunday: entry 0 is day 1, Sunday.
        std::size_t entry = 0;
        if (skip->days.size() == kDaysOfWeek) {
            entry = static_cast<std::size_t>(today.dayOfWeek);
        } else if (skip->days.size() == kDaysOfYear) {
            entry = static_cast<std::size_t>(today.dayOfYear) - 1;
        } else {
            continue;
        }
        if (entry < skip->days.size() && skip->days[entry] != 0) {
            return true;
        }
    }
    return false;
}

bool SkippedToday(const Job& job) {
    return SkippedOn(job.Statements(), datetime::OleDate::Now());
}

} // namespace ob::engine
