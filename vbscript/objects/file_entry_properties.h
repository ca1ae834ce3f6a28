// The properties a File and a Folder share beyond their paths: Attributes (read
// and, for ReadOnly, write) and renaming through Name = "new". Interpreter's
// thread only.
#pragma once

#include "vbscript/object.h"

#include <string>
#include <string_view>
#include <vector>

namespace ob::vbscript::objects {

/// Attribute bits as scripts test them.
namespace file_attr {
inline constexpr long kReadOnly = 1;
inline constexpr long kHidden = 2; ///< a name starting with "."
inline constexpr long kDirectory = 16;
inline constexpr long kAlias = 1024; ///< a symbolic link
} // namespace file_attr

/// The attributes of the entry at `path` (ReadOnly when its owner may not write
/// it). Raises `notFound` (53 or 76) when it is gone.
long AttributesOf(const std::string& path, long notFound);

/// Applies the ReadOnly bit of `attributes` (the owner's, group's and others' write
/// permissions are removed; clearing it gives the owner write permission back);
/// the other bits cannot be set on Linux and are ignored, as read-only bits are.
void SetAttributes(const std::string& path, long attributes, long notFound);

/// The members a File and a Folder answer alike: Path (the default member) and
/// Name to read, Attributes to read and write, and Name = "new" to rename (which
/// updates `path`). True when `name` was one of them and `result` holds its value.
bool InvokeEntryMember(std::string& path, std::string_view name, InvokeKind kind,
                       std::vector<Variant>& args, long notFound, Variant& result);

/// Renames the entry within its folder and returns its new full path. Raises 58
/// when the name is taken, 52 for a name that is empty or holds a "/".
std::string RenameEntry(const std::string& path, std::string_view newName, long notFound);

} // namespace ob::vbscript::objects
