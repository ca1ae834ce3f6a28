// Argument helpers shared by the built-in functions (builtins.cpp and the
// builtin_*.cpp files): each function takes its evaluated arguments as a vector
// whose size the interpreter has already checked against the table.
#pragma once

#include "vbscript/script_exception.h"
#include "vbscript/variant.h"

#include "platform/time/ole_date.h"

#include <cstddef>
#include <vector>

namespace ob::vbscript::builtin {

using Args = std::vector<Variant>;

inline ScriptException InvalidCall() {
    return ScriptException(err::kInvalidCall);
}

/// True when argument i was passed and is not Empty.
inline bool Given(const Args& a, std::size_t i) {
    return a.size() > i && !a[i].IsEmpty();
}

/// The calendar parts of a date argument (Type mismatch when it is no date).
inline datetime::DateParts Parts(const Variant& v) {
    datetime::DateParts parts;
    if (!datetime::OleDate(v.ToDate()).GetParts(parts)) {
        throw ScriptException(err::kTypeMismatch);
    }
    return parts;
}

/// A first-day-of-week argument (vbUseSystemDayOfWeek 0, vbSunday 1 .. vbSaturday 7)
/// as a day 0 = Sunday .. 6; the system's first day is Sunday. Invalid call otherwise.
inline int FirstDayOfWeek(const Args& a, std::size_t i) {
    const std::int32_t first = Given(a, i) ? a[i].ToLong() : 1;
    if (first < 0 || first > 7) {
        throw InvalidCall();
    }
    return first == 0 ? 0 : first - 1;
}

} // namespace ob::vbscript::builtin
