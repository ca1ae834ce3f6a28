#include "vbscript/objects/mount_table.h"

#include "platform/lifetime/unique_fd.h"

#include <array>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ob::vbscript::objects {
namespace {

bool IsOctal(char c) {
    return c >= '0' && c <= '7';
}

/// Decodes the \NNN escapes the kernel writes for spaces, tabs, line feeds and
/// backslashes; any other backslash stays as it is.
std::string Unescape(std::string_view field) {
    std::string out;
    out.reserve(field.size());
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && IsOctal(field[i + 1]) &&
            IsOctal(field[i + 2]) && IsOctal(field[i + 3])) {
            const int value =
                (field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0');
            if (value < 256) {
                out.push_back(static_cast<char>(value));
                i += 3;
                continue;
            }
        }
        out.push_back(field[i]);
    }
    return out;
}

std::vector<std::string_view> Fields(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) {
            ++i;
        }
        const std::size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t') {
            ++i;
        }
        if (i > start) {
            fields.push_back(line.substr(start, i - start));
        }
    }
    return fields;
}

bool IsFolder(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

/// True when `path` is `mountPoint` or lies below it.
bool Contains(std::string_view mountPoint, std::string_view path) {
    if (mountPoint == "/") {
        return !path.empty() && path.front() == '/';
    }
    return path.substr(0, mountPoint.size()) == mountPoint &&
           (path.size() == mountPoint.size() || path[mountPoint.size()] == '/');
}

} // namespace

std::vector<MountEntry> ParseMounts(std::string_view text) {
    std::vector<MountEntry> entries;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        const std::vector<std::string_view> fields = Fields(line);
        if (fields.size() < 3) {
            continue;
        }
        MountEntry entry{Unescape(fields[0]), Unescape(fields[1]), Unescape(fields[2])};
        if (entry.mountPoint.empty() || entry.mountPoint.front() != '/') {
            continue;
        }
        entries.push_back(std::move(entry));
    }
    return entries;
}

bool IsVirtualFileSystem(std::string_view type) {
    static constexpr std::array<std::string_view, 23> kVirtual = {
        "proc",       "sysfs",   "cgroup",    "cgroup2",         "devpts",      "devtmpfs",
        "mqueue",     "debugfs", "tracefs",   "securityfs",      "pstore",      "bpf",
        "configfs",   "fusectl", "hugetlbfs", "autofs",          "binfmt_misc", "efivarfs",
        "rpc_pipefs", "nsfs",    "selinuxfs", "fuse.gvfsd-fuse", "fuse.portal"};
    for (std::string_view name : kVirtual) {
        if (type == name) {
            return true;
        }
    }
    return false;
}

std::vector<MountEntry> DriveMounts(const std::vector<MountEntry>& entries) {
    std::vector<MountEntry> drives;
    for (const MountEntry& entry : entries) {
        if (IsVirtualFileSystem(entry.type) || !IsFolder(entry.mountPoint)) {
            continue;
        }
        bool replaced = false;
        for (MountEntry& drive : drives) {
            if (drive.mountPoint == entry.mountPoint) {
                drive = entry;
                replaced = true;
            }
        }
        if (!replaced) {
            drives.push_back(entry);
        }
    }
    return drives;
}

const MountEntry* MountHolding(const std::vector<MountEntry>& entries, std::string_view path) {
    const MountEntry* best = nullptr;
    for (const MountEntry& entry : entries) {
        if (Contains(entry.mountPoint, path) &&
            (best == nullptr || entry.mountPoint.size() >= best->mountPoint.size())) {
            best = &entry;
        }
    }
    return best;
}

std::vector<MountEntry> ReadMountTable() {
    UniqueFd fd(::open("/proc/self/mounts", O_RDONLY | O_CLOEXEC));
    if (!fd.Valid()) {
        return {};
    }
    std::string text;
    char chunk[8192];
    for (;;) {
        const ssize_t n = ::read(fd.Get(), chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        text.append(chunk, static_cast<std::size_t>(n));
    }
    return ParseMounts(text);
}

} // namespace ob::vbscript::objects
