// Wildcard file enumeration in the Windows sense: "*" matches any run of
// characters, "?" any one character, in the last component of a path only; names
// are compared as they are (Linux paths are case-sensitive). "*.*" matches every
// name, with or without a dot, as it does on Windows. Entries come in the order the
// directory yields them; "." and ".." are never returned. Any thread.
#pragma once

#include "platform/export.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ob::fs {

// Attributes mapped onto Linux.
inline constexpr std::uint32_t FILE_ATTRIBUTE_READONLY = 0x01; ///< the owner may not write
inline constexpr std::uint32_t FILE_ATTRIBUTE_HIDDEN = 0x02;   ///< the name starts with "."
inline constexpr std::uint32_t FILE_ATTRIBUTE_DIRECTORY = 0x10;
inline constexpr std::uint32_t FILE_ATTRIBUTE_NORMAL = 0x80; ///< none of the others

struct FindData {
    std::string name; ///< the entry's name, without its directory
    std::uint32_t attributes = 0;
    std::uint64_t size = 0;
    std::int64_t modified = 0; ///< Unix time of the last modification
};

/// True when `name` matches the wildcard `pattern` (the rules above).
OB_PLATFORM_API bool WildcardMatch(std::string_view pattern, std::string_view name);

/// Splits a path at its last "/" or "\\": the directory part (with its separator,
/// empty when there is none) and the last component.
OB_PLATFORM_API void SplitPath(std::string_view path, std::string& directory, std::string& name);

/// The entries of the pattern's directory whose names match its last component.
/// Empty when the directory cannot be read.
OB_PLATFORM_API std::vector<FindData> FindFiles(std::string_view pattern);

/// True when the text holds "*" or "?".
OB_PLATFORM_API bool HasWildcards(std::string_view text);

} // namespace ob::fs
