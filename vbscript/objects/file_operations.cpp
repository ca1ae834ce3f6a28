#include "vbscript/objects/file_operations.h"

#include "vbscript/objects/file_error.h"
#include "vbscript/objects/file_path.h"
#include "vbscript/script_exception.h"

#include <cerrno>
#include <filesystem>
#include <fnmatch.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace ob::vbscript::objects {
namespace {

namespace fs = std::filesystem;

bool IsFolder(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool Exists(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

// The sources a path (its last name possibly a wildcard) names: folders or (everything else) files.
// Raises 53 / 76 when there is none.
std::vector<std::string> Sources(const std::string& sourcePath, bool folders) {
    const long none = folders ? file_err::kPathNotFound : file_err::kFileNotFound;
    std::vector<std::string> found;
    if (!HasWildcard(sourcePath)) {
        if (!Exists(sourcePath)) {
            throw ScriptException(folders ? file_err::kPathNotFound : MissingFileError(sourcePath));
        }
        if (IsFolder(sourcePath) != folders) {
            throw ScriptException(none);
        }
        found.push_back(sourcePath);
        return found;
    }
    std::string parent = ParentPath(sourcePath);
    const std::string pattern = PathName(sourcePath);
    if (!IsFolder(parent.empty() ? "." : parent)) {
        throw ScriptException(file_err::kPathNotFound);
    }
    std::error_code ec;
    for (fs::directory_iterator it(parent.empty() ? "." : parent, ec), end; !ec && it != end;
         it.increment(ec)) {
        const std::string name = it->path().filename().string();
        const std::string path = JoinPath(parent, name);
        if (::fnmatch(pattern.c_str(), name.c_str(), 0) == 0 && IsFolder(path) == folders) {
            found.push_back(path);
        }
    }
    if (found.empty()) {
        throw ScriptException(none);
    }
    return found;
}

// Where one source goes: into the destination folder, or to the destination.
std::string Target(const std::string& source, const std::string& destination, bool intoFolder) {
    if (intoFolder) {
        const std::string folder = destination.size() > 1 && destination.back() == '/'
                                       ? destination.substr(0, destination.size() - 1)
                                       : destination;
        if (!IsFolder(folder)) {
            throw ScriptException(file_err::kPathNotFound);
        }
        return JoinPath(folder, PathName(source));
    }
    return destination;
}

bool IntoFolder(const std::string& source, const std::string& destination) {
    return HasWildcard(source) || (!destination.empty() && destination.back() == '/');
}

[[noreturn]] void Throw(const std::error_code& ec, const std::string& path, bool folder) {
    ThrowFileError(ec.value(), folder ? file_err::kPathNotFound : MissingFileError(path));
}

bool Inside(const std::string& path, const std::string& folder) {
    const std::string full = FullPath(path);
    const std::string base = FullPath(folder);
    return full == base || full.starts_with(base == "/" ? base : base + "/");
}

} // namespace

void DeleteFiles(const std::string& sourcePath, bool force) {
    for (const std::string& path : Sources(sourcePath, false)) {
        // A file without write permission counts as read-only: only `force` deletes it.
        if (!force && ::access(path.c_str(), W_OK) != 0 && errno == EACCES) {
            throw ScriptException(file_err::kPermissionDenied);
        }
        if (::unlink(path.c_str()) != 0) {
            ThrowFileError(errno, file_err::kFileNotFound);
        }
    }
}

void DeleteFolders(const std::string& sourcePath, bool force) {
    for (const std::string& path : Sources(sourcePath, true)) {
        if (!force && ::access(path.c_str(), W_OK) != 0 && errno == EACCES) {
            throw ScriptException(file_err::kPermissionDenied);
        }
        std::error_code ec;
        fs::remove_all(path, ec);
        if (ec) {
            Throw(ec, path, true);
        }
    }
}

void CopyFiles(const std::string& source, const std::string& destination, bool overwrite) {
    const bool into = IntoFolder(source, destination);
    for (const std::string& path : Sources(source, false)) {
        const std::string target = Target(path, destination, into);
        if (IsFolder(target)) {
            throw ScriptException(file_err::kPermissionDenied);
        }
        if (Exists(target)) {
            if (!overwrite) {
                throw ScriptException(file_err::kFileExists);
            }
            std::error_code same;
            if (fs::equivalent(path, target, same)) {
                throw ScriptException(file_err::kPermissionDenied); // would empty it
            }
        }
        std::error_code ec;
        fs::copy_file(path, target,
                      overwrite ? fs::copy_options::overwrite_existing : fs::copy_options::none,
                      ec);
        if (ec) {
            Throw(ec, target, false);
        }
    }
}

void MoveFiles(const std::string& source, const std::string& destination) {
    const bool into = IntoFolder(source, destination);
    for (const std::string& path : Sources(source, false)) {
        const std::string target = Target(path, destination, into);
        if (Exists(target)) {
            throw ScriptException(file_err::kFileExists);
        }
        std::error_code ec;
        fs::rename(path, target, ec);
        if (ec.value() == EXDEV) {
            ec.clear();
            fs::copy_file(path, target, ec);
            if (!ec) {
                fs::remove(path, ec);
            }
        }
        if (ec) {
            Throw(ec, target, false);
        }
    }
}

void CopyFolders(const std::string& source, const std::string& destination, bool overwrite) {
    const bool into = IntoFolder(source, destination);
    for (const std::string& path : Sources(source, true)) {
        const std::string target = Target(path, destination, into);
        if (Inside(target, path)) {
            throw ScriptException(file_err::kPermissionDenied); // would copy without end
        }
        if (Exists(target) && !IsFolder(target)) {
            throw ScriptException(file_err::kFileExists);
        }
        std::error_code ec;
        fs::copy(path, target,
                 fs::copy_options::recursive | fs::copy_options::copy_symlinks |
                     (overwrite ? fs::copy_options::overwrite_existing : fs::copy_options::none),
                 ec);
        if (ec) {
            Throw(ec, target, true);
        }
    }
}

void MoveFolders(const std::string& source, const std::string& destination) {
    const bool into = IntoFolder(source, destination);
    for (const std::string& path : Sources(source, true)) {
        const std::string target = Target(path, destination, into);
        if (Exists(target)) {
            throw ScriptException(file_err::kFileExists);
        }
        if (Inside(target, path)) {
            throw ScriptException(file_err::kPermissionDenied);
        }
        std::error_code ec;
        fs::rename(path, target, ec);
        if (ec.value() == EXDEV) {
            ec.clear();
            fs::copy(path, target, fs::copy_options::recursive | fs::copy_options::copy_symlinks,
                     ec);
            if (!ec) {
                fs::remove_all(path, ec);
            }
        }
        if (ec) {
            Throw(ec, target, true);
        }
    }
}

} // namespace ob::vbscript::objects
