// OLE date spans: a signed number of days and its components in whole seconds.
#include "platform/time/ole_date.h"

#include <climits>
#include <cmath>

namespace ob::datetime {

OleDateSpan::OleDateSpan(long days, int hours, int minutes, int seconds)
    : days_(static_cast<double>(days) + hours / 24.0 + minutes / 1440.0 + seconds / 86400.0) {}

long OleDateSpan::TotalSeconds() const {
    const double seconds = std::round(days_ * 86400.0);
    if (std::isnan(seconds)) {
        return 0;
    }
    // Spans beyond the range of long saturate instead of wrapping.
    if (seconds >= static_cast<double>(LONG_MAX)) {
        return LONG_MAX;
    }
    if (seconds <= static_cast<double>(LONG_MIN)) {
        return LONG_MIN;
    }
    return static_cast<long>(seconds);
}

// Integer division truncates towards zero, so a negative span has all its
// components negative (or zero).
long OleDateSpan::GetDays() const {
    return TotalSeconds() / 86400;
}

int OleDateSpan::GetHours() const {
    return static_cast<int>(TotalSeconds() % 86400 / 3600);
}

int OleDateSpan::GetMinutes() const {
    return static_cast<int>(TotalSeconds() % 3600 / 60);
}

int OleDateSpan::GetSeconds() const {
    return static_cast<int>(TotalSeconds() % 60);
}

} // namespace ob::datetime
