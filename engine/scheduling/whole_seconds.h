// Time statements work in whole seconds: adding spans to OLE dates (doubles) leaves
// floating-point noise that could put a moment a hair before or after the second
// it stands for, and so decide a due test one tick late. Header only; any thread.
#pragma once

#include "platform/time/ole_date.h"

#include <optional>

namespace ob::engine {

/// The same moment rounded to the nearest second; invalid when it has no calendar form.
inline datetime::OleDate WholeSeconds(const datetime::OleDate& date) {
    datetime::DateParts parts;
    if (!date.GetParts(parts)) {
        return datetime::OleDate::InvalidDate();
    }
    return datetime::OleDate::FromParts(parts.year, parts.month, parts.day, parts.hour,
                                        parts.minute, parts.second);
}

/// `later` - `earlier` in whole seconds; nothing when either is not a valid date.
inline std::optional<long> SecondsBetween(const datetime::OleDate& later,
                                          const datetime::OleDate& earlier) {
    if (!later.IsValid() || !earlier.IsValid()) {
        return std::nullopt;
    }
    return (later - earlier).TotalSeconds();
}

} // namespace ob::engine
