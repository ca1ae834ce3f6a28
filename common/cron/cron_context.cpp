// Calendar values of OLE dates and fresh cron contexts.
#include "common/cron/cron_context.h"

#include "platform/time/ole_date.h"

namespace ob::common {

bool CronValuesOf(double moment, CronValues& values) {
    ob::datetime::DateParts parts;
    if (!ob::datetime::OleDate(moment).GetParts(parts)) {
        return false;
    }
    values = {parts.minute,        parts.hour, parts.day,       parts.month,
              parts.dayOfWeek + 1, parts.year, parts.dayOfYear, parts.second};
    return true;
}

CronValues StoredValues(const CronContext& context) {
    return {context.minute,    context.hour, context.day,       context.month,
            context.dayOfWeek, context.year, context.dayOfYear, context.second};
}

void StoreValues(CronContext& context, const CronValues& values) {
    context.minute = values[0];
    context.hour = values[1];
    context.day = values[2];
    context.month = values[3];
    context.dayOfWeek = values[4];
    context.year = values[5];
    context.dayOfYear = values[6];
    context.second = values[7];
}

CronContext CronContext::Fresh(double moment) {
    CronContext context;
    context.time = moment;
    CronValues values{};
    if (!CronValuesOf(moment, values)) {
        values.fill(0);
    }
    StoreValues(context, values);
    return context;
}

} // namespace ob::common
