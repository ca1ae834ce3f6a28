// Deleting, copying and moving files and folders for the file system objects.
//
// The last name of a source may hold wildcards ('*', '?', matched as the shell
// matches names, dot files included); a destination ending in '/' names the
// folder to copy or move into, as does any destination of a wildcard source. A
// single file copied onto an existing folder raises 70. Errors: 53 (no such file),
// 76 (no such folder), 58 (the destination exists and may not be replaced), 70
// (refused, read-only without `force`, a folder copied into itself).
// Interpreter's thread.
#pragma once

#include <string>

namespace ob::vbscript::objects {

void DeleteFiles(const std::string& sourcePath, bool force);
void DeleteFolders(const std::string& sourcePath, bool force);
void CopyFiles(const std::string& source, const std::string& destination, bool overwrite);
void MoveFiles(const std::string& source, const std::string& destination);
void CopyFolders(const std::string& source, const std::string& destination, bool overwrite);
void MoveFolders(const std::string& source, const std::string& destination);

} // namespace ob::vbscript::objects
