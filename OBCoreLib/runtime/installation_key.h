// The installation's key text, from which ENV_CRYPTO values take their key: 64
// random hexadecimal digits kept as the value "InstallationKey" of the product key
// software\Varndel Software\Obrenta in the settings store.
//
// The user store is read first, then the machine store, so a user keeps the key
// under which they encrypted even if a machine-wide key appears later. When
// neither has one, a new key is made (getrandom) and written to the machine store
// if it is writable, else to the user store, and read back, so that processes that
// race to create it use the one that was kept. Values encrypted under one key text
// cannot be read under another. Any thread; every call reads the store again
// (tests point the stores elsewhere between calls).
#pragma once

#include <optional>
#include <string>

namespace ob::corelib {

inline constexpr const char* kInstallationKeyValue = "InstallationKey";

/// The key text, created when missing; nothing when no store can keep one.
std::optional<std::string> InstallationKeyText();

} // namespace ob::corelib
