// Status codes of automation methods. A method hands its value back separately;
// the status tells the script host whether the call raised an error (the failure
// codes) or not (S_OK, and S_FALSE: "done, judge the outcome by the value").
#pragma once

#include <cstdint>

namespace ob::corelib {

enum class [[nodiscard]] HResult : std::int32_t{
    Ok = 0,                                              ///< S_OK
    False = 1,                                           ///< S_FALSE
    OutOfMemory = static_cast<std::int32_t>(0x8007000E), ///< E_OUTOFMEMORY
    Fail = static_cast<std::int32_t>(0x80004005),        ///< E_FAIL
};

/// True for the codes that do not raise an error in the script.
constexpr bool Succeeded(HResult status) {
    return static_cast<std::int32_t>(status) >= 0;
}

// What DllGetClassObject answers.
inline constexpr long kClassNotAvailable = static_cast<std::int32_t>(0x80040111); ///< CLASS_E_...
inline constexpr long kClassOk = 0;

} // namespace ob::corelib
