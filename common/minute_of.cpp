// Minute of an OLE date for the time functions.
#include "common/minute_of.h"

#include "platform/time/ole_date.h"

namespace ob::common {

int MinuteOf(double moment) {
    if (moment == 0.0) {
        // 0 is what the time functions receive when their caller had no moment to give.
        SetTimeParameterError();
        return 0;
    }
    ob::datetime::DateParts parts;
    if (!ob::datetime::OleDate(moment).GetParts(parts)) {
        return -1;
    }
    return parts.minute;
}

} // namespace ob::common
