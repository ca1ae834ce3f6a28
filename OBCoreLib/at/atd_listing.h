// Reading what Debian's at tools answer (run with LC_ALL=C): the queue listing of
// atq, the "job N at DATE" line of at, and the job text that `at -c` prints. Pure
// functions; any thread. Unreadable lines are skipped, never guessed at.
#pragma once

#include "OBCoreLib/at/at_job_record.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ob::at {

struct AtqEntry {
    std::uint32_t id = 0;
    datetime::OleDate when; ///< local time of the run
    char queue = 'a';       ///< "=" while the job runs
    std::string user;
};

/// atq's lines "ID<TAB>Wed Dec  9 14:30:00 2026 a user".
std::vector<AtqEntry> ParseAtqListing(std::string_view text);

/// The job number of at's "job N at ..." line in its output.
std::optional<std::uint32_t> ParseAtJobNumber(std::string_view output);

/// Reads the tag line of one of our jobs from the text of `at -c`. A job that has
/// none (made by another program) gets its commands: the lines after the preamble
/// at writes (environment, umask, the "cd ... || {" block), without the trailing
/// line breaks, and no flags or masks.
void ReadAtJobText(std::string_view text, AtJobRecord& job);

/// "Wed Dec  9 14:30:00 2026" (weekday optional) as a local date; invalid when it
/// is not one.
datetime::OleDate ParseCTime(std::string_view text);

} // namespace ob::at
