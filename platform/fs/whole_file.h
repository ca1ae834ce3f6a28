// Reading and replacing a whole file at once, for data that is decoded or encoded
// in memory (pictures, say). Any thread.
#pragma once

#include "platform/export.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace ob::fs {

/// The bytes of the regular file `path`; none when it cannot be opened or read, is
/// not a regular file, or is larger than `maxBytes` (checked before anything is read).
OB_PLATFORM_API std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::string& path,
                                                                       std::uint64_t maxBytes);

/// Makes `bytes` the content of the file `path`. They are written to a temporary
/// file beside it, which then takes its name: a write that fails half-way (a full
/// disk, say) leaves an existing file as it was. An existing file's permission bits
/// are kept; a new file gets 0666 less the umask. Returns 0 or an errno value.
OB_PLATFORM_API int ReplaceWholeFile(const std::string& path, std::span<const std::uint8_t> bytes);

} // namespace ob::fs
