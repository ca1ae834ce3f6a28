#include "engine/scheduling/cron_statement.h"

#include "common/cron/next_cron_time.h"
#include "engine/expansion/argument_tokeniser.h"
#include "engine/jobs/time_statement.h"
#include "engine/scheduling/time_specification.h"
#include "engine/scheduling/whole_seconds.h"
#include "platform/text/ascii_case.h"
#include "platform/time/ole_date.h"

namespace ob::engine {
namespace {

constexpr std::size_t kCronFieldCount = 5;

bool IsCronOption(std::string_view word) {
    return text::EqualsIgnoringCase(word, "-cron");
}

} // namespace

std::optional<CronStatementFields> CronStatementFields::Find(std::string_view text,
                                                             std::optional<std::size_t> position) {
    CronStatementFields found;
    if (ArgumentTokeniser(text, TOKENISE_EXPAND | TOKENISE_NO_COMMA, found.words_) !=
        TokeniseResult::Ok) {
        return std::nullopt;
    }
    const std::vector<std::string>& words = found.words_;
    if (position) {
        if (*position >= words.size() || !IsCronOption(words[*position])) {
            return std::nullopt;
        }
        found.at_ = *position;
    } else {
        std::size_t i = 0;
        while (i < words.size() && !IsCronOption(words[i])) {
            ++i;
        }
        if (i == words.size()) {
            return std::nullopt;
        }
        found.at_ = i;
    }
    if (words.size() - found.at_ - 1 < kCronFieldCount) {
        return std::nullopt;
    }
    return found;
}

common::CronFields CronStatementFields::Fields() const {
    common::CronFields fields{};
    for (std::size_t i = 0; i < kCronFieldCount; ++i) {
        fields[i] = words_[at_ + 1 + i].c_str();
    }
    return fields;
}

void NextCronTimeFromFields(TimeStatement& statement, const common::CronFields& fields,
                            const datetime::OleDate& now) {
    const std::optional<double> next = common::NextCronTime(statement.cron, fields, now.Value());
    if (next) {
        // Candidates are now + k minutes: keep the seconds, drop the rounding noise.
        statement.next = WholeSeconds(datetime::OleDate(*next));
    }
}

void NextCronTime(TimeStatement& statement) {
    if (const auto found = CronStatementFields::Find(statement.Text(), std::nullopt)) {
        NextCronTimeFromFields(statement, found->Fields(), datetime::OleDate::Now());
    }
}

} // namespace ob::engine
