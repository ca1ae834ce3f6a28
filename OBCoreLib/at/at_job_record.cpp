#include "OBCoreLib/at/at_job_record.h"

namespace ob::at {

std::uint32_t JobTimeOf(const datetime::OleDate& moment) {
    datetime::DateParts parts;
    if (!moment.GetParts(parts)) {
        return 0;
    }
    return static_cast<std::uint32_t>((parts.hour * 3600 + parts.minute * 60 + parts.second) *
                                      1000);
}

bool SameDay(const datetime::OleDate& moment, const datetime::OleDate& today) {
    datetime::DateParts a;
    datetime::DateParts b;
    return moment.GetParts(a) && today.GetParts(b) && a.year == b.year && a.month == b.month &&
           a.day == b.day;
}

} // namespace ob::at
