// Path texts for the file system objects: Linux paths, '/' separated. Pure text
// operations except FullPath (which reads the current directory). Any thread.
#pragma once

#include <string>
#include <string_view>

namespace ob::vbscript::objects {

/// The absolute, lexically normal form ("a/../b" relative to the current folder
/// -> "/cwd/b"), without a trailing '/' except for "/" itself.
std::string FullPath(std::string_view path);

/// The last name of a path ("/a/b.txt/" -> "b.txt"; "/" -> "").
std::string PathName(std::string_view path);

/// Everything before the last name ("/a/b" -> "/a", "/a" -> "/", "a" -> "").
std::string ParentPath(std::string_view path);

/// The name without its last extension ("b.tar.gz" -> "b.tar"; ".profile" -> "").
std::string BaseName(std::string_view path);

/// The last extension without its dot ("b.tar.gz" -> "gz"; "b" -> "").
std::string ExtensionName(std::string_view path);

/// `folder` and `name` joined by exactly one '/'.
std::string JoinPath(std::string_view folder, std::string_view name);

/// True when the last name holds a wildcard ('*' or '?').
bool HasWildcard(std::string_view path);

} // namespace ob::vbscript::objects
