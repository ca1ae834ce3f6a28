// Replacing texts in script files, as version patches do. Any thread.
#pragma once

#include "setup/setup_log.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace ob::setup {

/// Largest file a replacement reads (larger ones count as out of memory).
inline constexpr std::uint64_t kMaxPatchedFile = 64ull * 1024 * 1024;

/// Replaces every occurrence of `from` in `text` by `to`, left to right, going on
/// after each inserted text (so an insertion is never matched again); the number of
/// replacements. An empty `from` replaces nothing.
std::size_t ReplaceAll(std::string& text, std::string_view from, std::string_view to);

/// How a replacement in a file went.
enum class FileReplacement { Replaced, NoneNeeded, Failed };

/// Replaces every occurrence of `from` by `to` in the file `path`, read whole; the
/// new contents take the file's place through a temporary file, so a failure leaves
/// the file as it was and a shorter result leaves nothing of the old contents
/// behind. Logs "\t%d replacements in file %s", "\tno replacements needed in file
/// %s", or the failure: "can't open file %s" (missing, unreadable or read-only),
/// "out of memory while operating on %s" (larger than kMaxPatchedFile), "can't
/// write file %s".
FileReplacement ReplaceInFile(LogTag tag, const std::string& path, std::string_view from,
                              std::string_view to);

} // namespace ob::setup
