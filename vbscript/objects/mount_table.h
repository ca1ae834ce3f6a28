// The mount table of the Linux file system (/proc/self/mounts): the "drives" of
// the file system objects are its mount points.
//
// Pure parsing functions plus a reader of /proc/self/mounts; any thread.
// Exported for the tests.
#pragma once

#include "vbscript/vbscript_export.h"

#include <string>
#include <string_view>
#include <vector>

namespace ob::vbscript::objects {

struct MountEntry {
    std::string source;     // the device or share, e.g. "/dev/sda1", "server:/export"
    std::string mountPoint; // an absolute path, e.g. "/", "/home"
    std::string type;       // the file system type, e.g. "ext4", "tmpfs"
};

/// Parses the text of a mounts file: one entry a line ("source mountpoint type
/// options dump pass"), fields separated by spaces or tabs, with the octal escapes
/// \040 (space), \011 (tab), \012 (line feed) and \134 (backslash) decoded.
/// Lines with fewer than three fields or a mount point that is not absolute are
/// skipped.
OB_VBSCRIPT_API std::vector<MountEntry> ParseMounts(std::string_view text);

/// True for the kernel's virtual file systems that hold no files of their own
/// (proc, sysfs, cgroup, cgroup2, devpts, devtmpfs, mqueue, debugfs, tracefs,
/// securityfs, pstore, bpf, configfs, fusectl, hugetlbfs, autofs, binfmt_misc,
/// efivarfs, rpc_pipefs, nsfs, selinuxfs, fuse.gvfsd-fuse, fuse.portal).
OB_VBSCRIPT_API bool IsVirtualFileSystem(std::string_view type);

/// The entries of real file systems whose mount points are folders, in table
/// order; where one mount point appears twice, the later mount (the visible one)
/// takes the earlier one's place.
OB_VBSCRIPT_API std::vector<MountEntry> DriveMounts(const std::vector<MountEntry>& entries);

/// The entry holding the absolute, symbolic-link free path `path`: the one with
/// the longest mount point containing it (the later one among equals). Null when
/// no entry does.
OB_VBSCRIPT_API const MountEntry* MountHolding(const std::vector<MountEntry>& entries,
                                               std::string_view path);

/// The entries of /proc/self/mounts (empty when it cannot be read).
OB_VBSCRIPT_API std::vector<MountEntry> ReadMountTable();

} // namespace ob::vbscript::objects
