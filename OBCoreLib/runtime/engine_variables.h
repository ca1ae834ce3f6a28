// GetEnvironmentVariable and SetEnvironmentVariable: the engine's variables
// through this library's own copy of the variable store (the process environment
// and the settings store are shared with the engine), with ENV_CRYPTO values
// encrypted on the way in and decrypted on the way out (value_cipher.h); the store
// itself always sees the flags without ENV_CRYPTO. Any thread.
#pragma once

#include "OBCoreLib/automation/automation_object.h"

#include <cstdint>
#include <string>

namespace ob::corelib {

/// Longest value SetEnvironmentVariable takes (an 8192-byte buffer).
inline constexpr std::size_t kLongestVariableValue = 8191;

/// The value, "" when absent (or, with ENV_CRYPTO, when it does not decrypt).
TextResult GetEngineVariable(std::uint32_t flags, const std::string& name);

/// `value` empty deletes the variable (and its persistent copy with
/// ENV_PERSISTENT). -1, or 0 with S_FALSE when the store refused the write or an
/// ENV_CRYPTO value could not be encrypted.
I4Result SetEngineVariable(std::uint32_t flags, const std::string& name, const std::string& value);

} // namespace ob::corelib
