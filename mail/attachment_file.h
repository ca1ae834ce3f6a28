// Attachment files of fetched messages. Their names come from the message, that
// is from whoever sent it, so a name is made safe before use: it can never leave
// the attachment directory (no separators, no "." or ".." names, no hidden files),
// never names a device, and an existing file is never overwritten; a taken name
// gets " (1)", " (2)", ... before its extension. Any thread.
#pragma once

#include "platform/lifetime/unique_fd.h"

#include <string>
#include <string_view>

namespace ob::mail {

/// The name made safe: control characters and any of  " * / : < = > ? \ |  become
/// "_", blanks at either end go, a leading "." becomes "_", device names (CON,
/// NUL, COM1, ...) get a leading "_", the length is kept below 128 bytes (keeping
/// the extension); an empty result is "noname".
std::string SafeAttachmentName(std::string_view name);

/// Creates a new file named `name` (already safe) in `directory`, or under the
/// first free " (n)" variant; fills `path` with the file's path. Invalid on failure,
/// with `path` naming the first choice.
UniqueFd CreateAttachmentFile(const std::string& directory, const std::string& name,
                              std::string& path);

} // namespace ob::mail
