#include "vbscript/objects/file_entry_properties.h"

#include "vbscript/objects/file_error.h"
#include "vbscript/objects/file_path.h"
#include "vbscript/objects/member_call.h"
#include "vbscript/script_exception.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>

namespace ob::vbscript::objects {
namespace {

struct stat LinkStat(const std::string& path, long notFound) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) {
        ThrowFileError(errno, notFound);
    }
    return info;
}

} // namespace

long AttributesOf(const std::string& path, long notFound) {
    const struct stat link = LinkStat(path, notFound);
    long attributes = 0;
    struct stat info = link;
    if (S_ISLNK(link.st_mode)) {
        attributes |= file_attr::kAlias;
        ::stat(path.c_str(), &info); // a dangling link keeps the link's own modes
    }
    if ((info.st_mode & S_IWUSR) == 0) {
        attributes |= file_attr::kReadOnly;
    }
    const std::string name = PathName(path);
    if (!name.empty() && name[0] == '.') {
        attributes |= file_attr::kHidden;
    }
    if (S_ISDIR(info.st_mode)) {
        attributes |= file_attr::kDirectory;
    }
    return attributes;
}

void SetAttributes(const std::string& path, long attributes, long notFound) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        ThrowFileError(errno, notFound);
    }
    mode_t mode = info.st_mode & 07777;
    if ((attributes & file_attr::kReadOnly) != 0) {
        mode &= ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH);
    } else {
        mode |= S_IWUSR;
    }
    if (mode != (info.st_mode & 07777) && ::chmod(path.c_str(), mode) != 0) {
        ThrowFileError(errno, notFound);
    }
}

bool InvokeEntryMember(std::string& path, std::string_view name, InvokeKind kind,
                       std::vector<Variant>& args, long notFound, Variant& result) {
    if (kind == InvokeKind::PropertyPut && args.size() == 1) {
        if (Is(name, "Attributes")) {
            SetAttributes(path, ValueOf(args[0]).ToLong(), notFound);
            return true;
        }
        if (Is(name, "Name")) {
            path = RenameEntry(path, TextOf(args[0]), notFound);
            return true;
        }
        return false;
    }
    if (!IsRead(kind)) {
        return false;
    }
    if (Is(name, "Attributes")) {
        RequireArgs(args, 0, 0);
        result = Variant::Long(static_cast<std::int32_t>(AttributesOf(path, notFound)));
        return true;
    }
    if (name.empty() || Is(name, "Path")) {
        RequireArgs(args, 0, 0);
        result = Variant::String(path);
        return true;
    }
    if (Is(name, "Name")) {
        RequireArgs(args, 0, 0);
        result = Variant::String(PathName(path));
        return true;
    }
    return false;
}

std::string RenameEntry(const std::string& path, std::string_view newName, long notFound) {
    if (newName.empty() || newName.find('/') != std::string_view::npos || newName == "." ||
        newName == "..") {
        throw ScriptException(file_err::kBadFileName);
    }
    LinkStat(path, notFound);
    const std::string target = JoinPath(ParentPath(path), newName);
    if (target == path) {
        return path;
    }
    // Never replaces an entry of that name, even one made meanwhile.
    if (::renameat2(AT_FDCWD, path.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) {
        return target;
    }
    if (errno != EINVAL) { // EINVAL: the file system cannot refuse to replace
        ThrowFileError(errno, notFound);
    }
    struct stat existing {};
    if (::lstat(target.c_str(), &existing) == 0) {
        throw ScriptException(file_err::kFileExists);
    }
    if (::rename(path.c_str(), target.c_str()) != 0) {
        ThrowFileError(errno, notFound);
    }
    return target;
}

} // namespace ob::vbscript::objects
