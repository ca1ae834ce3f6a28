#include "engine/actions/file_variables.h"

#include "engine/actions/path_parts.h"
#include "platform/time/clock.h"

#include <chrono>
#include <cstdint>
#include <utility>

namespace ob::engine {
namespace {

// Whole seconds since the entry was last written: the difference of the two
// moments as the system counts them, so that the age is right in every zone and
// also across a change between standard and summer time (two local wall-clock
// times differ by an extra hour then). An entry dated in the future (a clock set
// back, a copy from a machine ahead of ours) is 0 seconds old rather than a
// negative span written as a huge unsigned number.
std::uint64_t AgeInSeconds(std::int64_t modified) {
    const std::int64_t now = std::chrono::system_clock::to_time_t(ob::clock::Now());
    return now > modified ? static_cast<std::uint64_t>(now - modified) : 0;
}

} // namespace

Outcome SetFileVariables(ActionContext& context, const std::string& variable,
                         const std::string& directory, const fs::FindData& found) {
    // Only the drive and directory of what the caller gives count, so the search
    // pattern itself and its directory part both do.
    const PathParts where = SplitPathParts(directory);
    // The entry's name holds no directory; a back slash in it is an ordinary
    // character on Linux, so it is split at its last dot only.
    const std::size_t dot = found.name.rfind('.');
    const std::string fname = dot == std::string::npos ? found.name : found.name.substr(0, dot);
    const std::string ext = dot == std::string::npos ? std::string() : found.name.substr(dot);
    const std::uint64_t age = AgeInSeconds(found.modified);

    const std::pair<std::string, std::string> values[] = {
        {variable, where.drive + where.dir + found.name},
        {variable + ".SIZE", std::to_string(static_cast<std::uint32_t>(found.size))},
        {variable + ".AGE.SECONDS", std::to_string(age)},
        {variable + ".AGE.MINUTES", std::to_string(age / 60)},
        {variable + ".AGE.HOURS", std::to_string(age / 3600)},
        {variable + ".AGE.DAYS", std::to_string(age / 86400)},
        {variable + ".DRIVE", where.drive},
        {variable + ".DIR", where.dir},
        {variable + ".FNAME", fname},
        {variable + ".EXT", ext},
    };
    for (const auto& [name, value] : values) {
        if (const Outcome outcome = SetProcessVariable(context, name, value);
            outcome != Outcome::Done) {
            return outcome;
        }
    }
    return Outcome::Done;
}

} // namespace ob::engine
