// `obrenta check --next N [--from TIME] FILE...`: after loading, the next N times
// each job fires, from the engine's schedule preview (obrenta/preview.h).
#pragma once

#include "obrenta/obrenta.h"

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace ob::host {

struct CheckOptions {
    std::optional<std::uint32_t> next; ///< --next N
    std::optional<std::string> from;   ///< --from "YYYY-MM-DD HH:MM:SS"
    std::vector<std::string> files;
};

/// Parses the words after "check" (argv[0] is "check"); false with a message on
/// `err` for bad usage: an unknown option, N not a whole number from 1 to 10000, a
/// --from that is not a date and time, --from without --next, no FILE.
bool ParseCheckOptions(int argc, char** argv, CheckOptions& options, std::ostream& err);

/// Prints each job's name and file, then its times ("  Mon 2024-03-04 10:00:00 CET")
/// and, when it fires fewer times than asked, why. False (with a message) when the
/// engine gave no preview.
bool PrintNextTimes(OB_SESSION session, const CheckOptions& options, std::ostream& out,
                    std::ostream& err);

} // namespace ob::host
