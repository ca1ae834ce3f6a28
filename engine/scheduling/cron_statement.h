// The cron fields of a time statement. A statement given as "-cron" keeps only its
// text; its five fields (minute, hour, day of month, month, day of week) are read
// again from that text whenever they are needed, split with variable expansion but
// without the comma as a separator, so that a list such as 0,30 stays one field.
// Any thread (the expansion reads the environment under its own lock).
#pragma once

#include "common/cron/cron_evaluator.h"
#include "platform/time/ole_date.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ob::engine {

class TimeStatement;

/// The words of a statement text and the position of its "-cron" option.
class CronStatementFields {
public:
    /// Splits `text` (expanded, comma kept inside words). With `position`, the word
    /// there must be "-cron"; without, the first "-cron" word is used. Nothing when
    /// there is no such word or fewer than five words follow it.
    static std::optional<CronStatementFields> Find(std::string_view text,
                                                   std::optional<std::size_t> position);

    /// The five fields in positions 1 to 5; year, day of year and second absent.
    /// Points into this object: valid while it lives.
    common::CronFields Fields() const;

private:
    std::vector<std::string> words_;
    std::size_t at_ = 0;
};

/// Sets the statement's next time to the first moment from `now` at which `fields`
/// fire on a copy of its cron state; leaves it unchanged when they never do.
void NextCronTimeFromFields(TimeStatement& statement, const common::CronFields& fields,
                            const datetime::OleDate& now);

} // namespace ob::engine
