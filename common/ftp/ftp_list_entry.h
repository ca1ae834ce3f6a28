// One entry of a directory listing, remote (as the server's listing gave it) or
// local. Any thread.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

namespace ob::common::ftp {

inline constexpr std::uint32_t kAttributeDirectory = 0x10;
inline constexpr std::uint32_t kAttributeNormal = 0x80;

struct FtpListEntry {
    std::string name;
    bool directory = false;
    bool symbolicLink = false;
    std::uint64_t size = 0;
    std::time_t modified = 0; ///< 0 when the listing gave no time
    /// kAttributeDirectory or kAttributeNormal, as a find-data record has them.
    std::uint32_t Attributes() const { return directory ? kAttributeDirectory : kAttributeNormal; }
};

/// Listings run in the reverse of the order the server (or the local directory)
/// gave: each new entry goes to the front.
using FtpListing = std::vector<FtpListEntry>;

/// True when a listed name may stand for an entry of the listed directory: not
/// empty, not "." or "..", no "/" or "\", no NUL, CR or LF. A name that fails is
/// never joined to a local path and never sent in a command: a hostile server could
/// otherwise make a transfer write outside its target directory or smuggle a
/// second command.
bool IsSafeEntryName(std::string_view name);

/// True when a name is "." or ".." or begins with "." (skipped by the recursive
/// walk when it is a directory).
inline bool IsDotName(std::string_view name) {
    return !name.empty() && name.front() == '.';
}

} // namespace ob::common::ftp
