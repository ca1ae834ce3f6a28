// Temporary files in the user's temporary directory ($TMPDIR, else /tmp), named
// with a prefix and a unique tail, created exclusively with mode 0600. Any thread.
#pragma once

#include "platform/export.h"

#include <string>
#include <string_view>

namespace ob::fs {

/// The temporary directory, with a trailing "/".
OB_PLATFORM_API std::string TempDirectory();

/// Creates a new empty file "<tmp>/<prefix>XXXXXX" and returns its path; empty on
/// failure.
OB_PLATFORM_API std::string CreateTempFile(std::string_view prefix);

} // namespace ob::fs
