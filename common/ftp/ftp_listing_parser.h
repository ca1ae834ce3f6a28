// Reading the text of a LIST reply: UNIX-style lines ("-rw-r--r-- 1 owner group
// 1234 Jan 01 10:00 name") and Windows-style lines ("01-01-20  10:00AM  <DIR>
// name"). The text comes from a server and is not trusted: a line that fits
// neither form ("total 12", garbage) is skipped, names are kept byte for byte
// (whether they are safe to use is for the caller, IsSafeEntryName), and nothing
// throws but std::bad_alloc. Any thread.
//
// libcurl parses listings only inside its wildcard downloads, and the libcurl of
// Debian 12 (7.88) leaks every entry that a wildcard download skips, so the
// client reads the listing itself.
#pragma once

#include "common/ftp/ftp_list_entry.h"

#include <optional>
#include <string_view>

namespace ob::common::ftp {

/// One line (without its line end), or nothing when it is not an entry.
std::optional<FtpListEntry> ParseListingLine(std::string_view line);

/// Every entry of a listing text (lines end in LF or CR LF), in the reverse of the
/// text's order, as the client's listings run.
FtpListing ParseListing(std::string_view text);

} // namespace ob::common::ftp
