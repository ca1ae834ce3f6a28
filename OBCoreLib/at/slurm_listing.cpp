#include "OBCoreLib/at/slurm_listing.h"

#include "OBCoreLib/at/listing_text.h"

#include <array>

namespace ob::at {
namespace {

using datetime::OleDate;

} // namespace

OleDate ParseSlurmTime(std::string_view text) {
    // YYYY-MM-DDTHH:MM:SS
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    if (text.size() != 19 || text[4] != '-' || text[7] != '-' || text[10] != 'T' ||
        text[13] != ':' || text[16] != ':' || !WholeNumber(text.substr(0, 4), year) ||
        !WholeNumber(text.substr(5, 2), month) || !WholeNumber(text.substr(8, 2), day) ||
        !WholeNumber(text.substr(11, 2), hour) || !WholeNumber(text.substr(14, 2), minute) ||
        !WholeNumber(text.substr(17, 2), second) || hour > 23 || minute > 59 || second > 59) {
        return OleDate::InvalidDate();
    }
    return OleDate::FromParts(year, month, day, hour, minute, second);
}

std::vector<SqueueEntry> ParseSqueueListing(std::string_view text) {
    std::vector<SqueueEntry> entries;
    for (std::string_view line : SplitLines(text)) {
        // The comment comes last and may hold "|" itself.
        std::array<std::string_view, 3> fields;
        bool complete = true;
        for (std::string_view& field : fields) {
            const std::size_t bar = line.find('|');
            if (bar == std::string_view::npos) {
                complete = false;
                break;
            }
            field = line.substr(0, bar);
            line.remove_prefix(bar + 1);
        }
        SqueueEntry entry;
        if (!complete || !WholeNumber(fields[0], entry.id)) {
            continue;
        }
        const OleDate start = ParseSlurmTime(fields[1]);
        if (start.IsValid()) {
            entry.start = start;
        }
        entry.state = std::string(fields[2]);
        entry.comment = std::string(line);
        entries.push_back(std::move(entry));
    }
    return entries;
}

std::optional<std::uint32_t> ParseSbatchJobId(std::string_view output) {
    std::string_view last;
    for (const std::string_view line : SplitLines(output)) {
        if (line.find_first_not_of(' ') != std::string_view::npos) {
            last = line;
        }
    }
    std::uint32_t id = 0;
    if (!WholeNumber(last.substr(0, last.find(';')), id)) {
        return std::nullopt;
    }
    return id;
}

bool FailedState(std::string_view state) {
    constexpr std::array<std::string_view, 6> kFailed = {"FAILED",        "TIMEOUT",   "NODE_FAIL",
                                                         "OUT_OF_MEMORY", "BOOT_FAIL", "DEADLINE"};
    for (const std::string_view failed : kFailed) {
        if (state == failed) {
            return true;
        }
    }
    return false;
}

} // namespace ob::at
