// The next firing time of a five-field cron expression.
//
// The plain search asks the evaluator at every candidate from + k/1440. The fast
// search asks it only where it might fire, and skips runs of candidates for which
// the answer is known to be 0. A run is skipped only after checking the calendar
// values of the run's last candidate: within a stretch where those values never go
// backwards, a run whose first and last candidates lie inside a region of the
// calendar where nothing can fire holds no firing candidate in between. So the
// seconds kept from the start, the rounding of each candidate to the second and
// the floating-point error of from + k/1440 can change how far a skip goes, never
// the answer.
//
// OLE dates are linear only from 0.0 on. Below, a value d - f (d a whole number,
// 0 <= f < 1) is the day d at the time of day f, so as the value grows the time of
// day runs backwards within each interval (d - 1, d] and jumps to the end of the
// next day at each whole number. There the search skips only within one such
// interval, and never across 0.0, which is the evaluator's parameter error.
#include "common/cron/next_cron_time.h"

#include <cmath>
#include <compare>
#include <cstdint>

namespace ob::common {
namespace {

enum class Level { Minute, Hour, Day, Month };

constexpr std::size_t kMinuteField = 0;
constexpr std::size_t kHourField = 1;
constexpr std::size_t kDayField = 2;
constexpr std::size_t kMonthField = 3;
constexpr std::size_t kWeekdayField = 4;
constexpr int kLastYear = 9999;

// A calendar minute, ordered as time goes.
struct Stamp {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    auto operator<=>(const Stamp&) const = default;
};

Stamp StampOf(const CronValues& values) {
    return {values[5], values[3], values[2], values[1], values[0]};
}

bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Days from 1899-12-30 to a calendar day (proleptic Gregorian).
std::int64_t OleDayOf(int year, int month, int day) {
    const std::int64_t y = month <= 2 ? year - 1 : year;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yearOfEra = y - era * 400;
    const std::int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    constexpr std::int64_t kUnixDayOfOleEpoch = -25569;
    return era * 146097 + dayOfEra - 719468 - kUnixDayOfOleEpoch;
}

Stamp NextMonth(const Stamp& at) {
    return at.month == 12 ? Stamp{at.year + 1, 1, 1, 0, 0} : Stamp{at.year, at.month + 1, 1, 0, 0};
}

Stamp NextDay(const Stamp& at) {
    if (at.day < DaysInMonth(at.year, at.month)) {
        return {at.year, at.month, at.day + 1, 0, 0};
    }
    return NextMonth(at);
}

Stamp NextHour(const Stamp& at) {
    return at.hour < 23 ? Stamp{at.year, at.month, at.day, at.hour + 1, 0} : NextDay(at);
}

Stamp NextMinute(const Stamp& at) {
    return at.minute < 59 ? Stamp{at.year, at.month, at.day, at.hour, at.minute + 1} : NextHour(at);
}

bool SameBucket(const CronValues& a, const CronValues& b, Level level) {
    const Stamp x = StampOf(a);
    const Stamp y = StampOf(b);
    const bool sameDay = x.year == y.year && x.month == y.month && x.day == y.day;
    switch (level) {
    case Level::Minute:
        return x == y;
    case Level::Hour:
        return sameDay && x.hour == y.hour;
    case Level::Day:
        return sameDay;
    case Level::Month:
        return x.year == y.year && x.month == y.month;
    }
    return false;
}

CronFields FiveFields(const CronFields& fields) {
    return {fields[0], fields[1], fields[2], fields[3], fields[4], nullptr, nullptr, nullptr};
}

class Search {
public:
    Search(const CronContext& state, const CronFields& fields, double from, long maxMinutes)
        : context_(state), fields_(FiveFields(fields)), from_(from), end_(maxMinutes) {
        for (std::size_t i = 0; i < present_.size(); ++i) {
            present_[i] = CronFieldPresent(fields_[i]);
        }
        // The period of the finest present field: the evaluator does not fire
        // again within the period it last fired in.
        if (present_[kMinuteField]) {
            finest_ = Level::Minute;
        } else if (present_[kHourField]) {
            finest_ = Level::Hour;
        } else if (present_[kDayField] || present_[kWeekdayField]) {
            finest_ = Level::Day;
        } else {
            finest_ = Level::Month;
        }
    }

    std::optional<double> Run() {
        if (end_ <= 0 || !std::isfinite(from_)) {
            // Candidates that are not finite have no calendar date: the evaluator says 0.
            return std::nullopt;
        }
        if (!CanEverFire()) {
            // The evaluator says 0 everywhere, except -1 at a candidate of exactly 0.0.
            const long k = FirstNotBelowZero();
            if (k < end_ && CronCandidate(from_, k) == 0.0) {
                context_.time = 0.0;
                CronEvaluator(context_, fields_);
            }
            return std::nullopt;
        }
        long k = 0;
        while (k < end_) {
            const double v = CronCandidate(from_, k);
            if (v == 0.0) {
                // The evaluator's parameter error (-1, recorded in RS.LastError) ends the search.
                context_.time = v;
                CronEvaluator(context_, fields_);
                return std::nullopt;
            }
            CronValues values{};
            if (!CronValuesOf(v, values)) {
                if (v > 0) {
                    return std::nullopt; // past the year 9999, and so is every later candidate
                }
                k = FirstDated(k);
                continue;
            }
            Level level = Level::Minute;
            const bool mismatch = CoarsestMismatch(values, level);
            if (!mismatch) {
                context_.time = v;
                if (CronEvaluator(context_, fields_) == 1) {
                    return v;
                }
                level = finest_; // every field matches: this is the period of the last firing
            }
            k = v > 0 ? SkipForward(k, v, values, level, !mismatch)
                      : SkipWithinInterval(k, v, values, level);
        }
        return std::nullopt;
    }

private:
    bool Matches(std::size_t position, int value) const {
        return !present_[position] || CronFieldMatcher(fields_[position], value) != 0;
    }

    bool MatchesSomeValue(std::size_t position, int low, int high) const {
        for (int value = low; value <= high; ++value) {
            if (Matches(position, value)) {
                return true;
            }
        }
        return false;
    }

    // False when no calendar minute matches every field (a field that matches none
    // of its values, 31 February, no field at all).
    bool CanEverFire() const {
        if ((CronPresenceMask(fields_) &
             (CRON_MINUTE | CRON_HOUR | CRON_DAY | CRON_MONTH | CRON_WEEKDAY)) == 0) {
            return false;
        }
        if (!MatchesSomeValue(kMinuteField, 0, 59) || !MatchesSomeValue(kHourField, 0, 23) ||
            !MatchesSomeValue(kWeekdayField, 1, 7)) {
            return false;
        }
        // Every day of every month falls on every day of the week within 400 years.
        for (int month = 1; month <= 12; ++month) {
            if (Matches(kMonthField, month) &&
                MatchesSomeValue(kDayField, 1, DaysInMonth(2000, month))) {
                return true;
            }
        }
        return false;
    }

    // The coarsest level at which a field does not match `values`; false when all match.
    bool CoarsestMismatch(const CronValues& values, Level& level) const {
        if (!Matches(kMonthField, values[kMonthField])) {
            level = Level::Month;
        } else if (!Matches(kDayField, values[kDayField]) ||
                   !Matches(kWeekdayField, values[kWeekdayField])) {
            level = Level::Day;
        } else if (!Matches(kHourField, values[kHourField])) {
            level = Level::Hour;
        } else if (!Matches(kMinuteField, values[kMinuteField])) {
            level = Level::Minute;
        } else {
            return false;
        }
        return true;
    }

    // The first minute after `values` at which the evaluator may give something other
    // than 0, knowing that it gives 0 at `values` for a mismatch at `level` or (when
    // `blocked`) because `values` lies in the period of the last firing at `level`.
    // The evaluator gives 0 everywhere from `values` up to (excluding) that minute.
    Stamp FirstPossible(const CronValues& values, Level level, bool blocked) const {
        const Stamp at = StampOf(values);
        switch (level) {
        case Level::Minute:
            if (!blocked) {
                for (int minute = at.minute + 1; minute <= 59; ++minute) {
                    if (Matches(kMinuteField, minute)) {
                        return {at.year, at.month, at.day, at.hour, minute};
                    }
                }
                return NextHour(at);
            }
            return NextMinute(at);
        case Level::Hour:
            if (!blocked) {
                for (int hour = at.hour + 1; hour <= 23; ++hour) {
                    if (Matches(kHourField, hour)) {
                        return {at.year, at.month, at.day, hour, 0};
                    }
                }
                return NextDay(at);
            }
            return NextHour(at);
        case Level::Day:
            if (!blocked) {
                const int days = DaysInMonth(at.year, at.month);
                for (int day = at.day + 1; day <= days; ++day) {
                    const int weekday = (values[kWeekdayField] - 1 + day - at.day) % 7 + 1;
                    if (Matches(kDayField, day) && Matches(kWeekdayField, weekday)) {
                        return {at.year, at.month, day, 0, 0};
                    }
                }
                return NextMonth(at);
            }
            return NextDay(at);
        case Level::Month:
            if (!blocked) {
                Stamp month = at;
                for (int i = 1; i < 12; ++i) {
                    month = NextMonth(month);
                    if (Matches(kMonthField, month.month)) {
                        return month;
                    }
                }
                return {at.year + 1, at.month, 1, 0, 0};
            }
            return NextMonth(at);
        }
        return NextMinute(at);
    }

    // From candidate k (value v > 0, where time runs forwards): the next candidate
    // to ask about.
    long SkipForward(long k, double v, const CronValues& values, Level level, bool blocked) const {
        const Stamp bound = FirstPossible(values, level, blocked);
        if (bound.year > kLastYear) {
            // Every later candidate either lies before the bound or has no date.
            return end_;
        }
        const double boundValue =
            static_cast<double>(OleDayOf(bound.year, bound.month, bound.day)) +
            static_cast<double>(bound.hour * 60 + bound.minute) / 1440.0;
        const double minutes = std::floor((boundValue - v) * 1440.0);
        if (!(minutes >= 1.0)) {
            return k + 1;
        }
        // No further than the search's last candidate, so that k + j + 1 <= end_.
        const long last =
            minutes < static_cast<double>(end_ - 1 - k) ? static_cast<long>(minutes) : end_ - 1 - k;
        // The candidate `last` minutes on is nominally just before the bound; its
        // rounding to the second may carry it onto the bound, the one before cannot.
        for (long j = last; j >= last - 1 && j >= 1; --j) {
            CronValues reached{};
            if (CronValuesOf(CronCandidate(from_, k + j), reached) && StampOf(reached) < bound) {
                return k + j + 1;
            }
        }
        return k + 1;
    }

    // From candidate k (value v < 0): the next candidate to ask about, skipping only
    // within v's interval (d - 1, d], where the time of day runs backwards.
    long SkipWithinInterval(long k, double v, const CronValues& values, Level level) const {
        if (level == Level::Month) {
            level = Level::Day; // one interval holds one day at most
        }
        if (level == Level::Minute) {
            return k + 1;
        }
        // Minutes back to the start of the hour or of the day.
        long last = values[kMinuteField];
        if (level == Level::Day) {
            last += 60L * values[kHourField];
        }
        if (last > end_ - 1 - k) {
            last = end_ - 1 - k;
        }
        const double interval = std::ceil(v);
        for (long j = last; j >= last - 1 && j >= 1; --j) {
            const double w = CronCandidate(from_, k + j);
            CronValues reached{};
            if (w != 0.0 && std::ceil(w) == interval && CronValuesOf(w, reached) &&
                SameBucket(reached, values, level)) {
                return k + j + 1;
            }
        }
        return k + 1;
    }

    // The first candidate that is not below 0.0, or the end.
    long FirstNotBelowZero() const {
        if (CronCandidate(from_, 0) >= 0) {
            return 0;
        }
        long low = 0;     // below zero
        long high = end_; // not below zero, or the end
        while (high - low > 1) {
            const long middle = low + (high - low) / 2;
            if (CronCandidate(from_, middle) < 0) {
                low = middle;
            } else {
                high = middle;
            }
        }
        return high;
    }

    // From candidate k, which lies before the year 100: the first candidate that has
    // a date, or the end. Those before it have none, so the evaluator says 0.
    long FirstDated(long k) const {
        const auto beforeDates = [this](long j) {
            const double w = CronCandidate(from_, j);
            CronValues unused{};
            return w < 0 && !CronValuesOf(w, unused);
        };
        long low = k;     // before the dates
        long high = end_; // dated, or the end
        while (high - low > 1) {
            const long middle = low + (high - low) / 2;
            if (beforeDates(middle)) {
                low = middle;
            } else {
                high = middle;
            }
        }
        return high;
    }

    CronContext context_;
    const CronFields fields_;
    const double from_;
    const long end_;
    std::array<bool, 5> present_{};
    Level finest_ = Level::Minute;
};

} // namespace

std::optional<double> NextCronTimeWithin(const CronContext& state, const CronFields& fields,
                                         double from, long maxMinutes) {
    return Search(state, fields, from, maxMinutes).Run();
}

std::optional<double> NextCronTime(const CronContext& state, const CronFields& fields,
                                   double from) {
    return NextCronTimeWithin(state, fields, from, kCronSearchMinutes);
}

std::optional<double> NextCronTimeByMinutes(const CronContext& state, const CronFields& fields,
                                            double from, long maxMinutes) {
    CronContext copy = state;
    const CronFields five = FiveFields(fields);
    for (long k = 0; k < maxMinutes; ++k) {
        copy.time = CronCandidate(from, k);
        const double candidate = copy.time;
        const int result = CronEvaluator(copy, five);
        if (result == 1) {
            return candidate;
        }
        if (result < 0) {
            return std::nullopt;
        }
    }
    return std::nullopt;
}

} // namespace ob::common
