#include "vbscript/objects/drive_object.h"

#include "vbscript/objects/file_error.h"
#include "vbscript/objects/folder_object.h"
#include "vbscript/objects/member_call.h"

#include "platform/lifetime/unique_fd.h"

#include <array>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace ob::vbscript::objects {
namespace {

bool OneOf(std::string_view type, std::initializer_list<std::string_view> names) {
    for (std::string_view name : names) {
        if (type == name) {
            return true;
        }
    }
    return false;
}

bool IsNetworkType(std::string_view type) {
    return OneOf(type, {"nfs", "nfs4", "cifs", "smb3", "smbfs", "ncpfs", "afs", "9p", "ceph",
                        "glusterfs", "fuse.sshfs", "sshfs", "fuse.rclone", "fuse.s3fs",
                        "fuse.glusterfs", "davfs", "fuse.davfs2"});
}

/// The first byte of a small sysfs file, or 0.
char FirstByteOf(const std::string& path) {
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    char c = 0;
    if (!fd.Valid() || ::read(fd.Get(), &c, 1) != 1) {
        return 0;
    }
    return c;
}

/// True when the kernel marks the block device (or, for a partition, its disk)
/// removable.
bool IsRemovableDevice(const std::string& device) {
    const std::string name = device.substr(device.rfind('/') + 1);
    if (name.empty() || name == "." || name == "..") {
        return false;
    }
    char real[PATH_MAX];
    const std::string link = "/sys/class/block/" + name;
    if (::realpath(link.c_str(), real) == nullptr) {
        return false;
    }
    const std::string folder = real;
    return FirstByteOf(folder + "/removable") == '1' ||
           FirstByteOf(folder + "/../removable") == '1';
}

struct Space {
    bool ready = false;
    struct statvfs info {};
};

Space SpaceOf(const std::string& mountPoint) {
    Space space;
    space.ready = ::statvfs(mountPoint.c_str(), &space.info) == 0;
    return space;
}

double Bytes(fsblkcnt_t blocks, const struct statvfs& info) {
    return static_cast<double>(blocks) * static_cast<double>(info.f_frsize);
}

} // namespace

long DriveTypeOf(const MountEntry& mount) {
    const std::string_view type = mount.type;
    if (type.empty()) {
        return drive_type::kUnknown;
    }
    if (IsNetworkType(type)) {
        return drive_type::kNetwork;
    }
    if (OneOf(type, {"iso9660", "udf"})) {
        return drive_type::kCdRom;
    }
    if (OneOf(type, {"tmpfs", "ramfs"})) {
        return drive_type::kRamDisk;
    }
    const std::string device = VolumeNameOf(mount);
    if (!device.empty() && IsRemovableDevice(device)) {
        return drive_type::kRemovable;
    }
    return drive_type::kFixed;
}

std::string VolumeNameOf(const MountEntry& mount) {
    return mount.source.rfind("/dev/", 0) == 0 ? mount.source : std::string();
}

Variant DriveObject::Invoke(std::string_view name, InvokeKind kind, std::vector<Variant>& args) {
    if (!IsRead(kind)) {
        throw ScriptException(err::kNoSuchMember);
    }
    RequireArgs(args, 0, 0);
    if (name.empty() || Is(name, "Path")) {
        return Variant::String(mount_.mountPoint);
    }
    if (Is(name, "DriveLetter")) {
        return Variant::String("");
    }
    if (Is(name, "RootFolder")) {
        return Variant::FromObject(GetFolderObject(mount_.mountPoint));
    }
    if (Is(name, "FileSystem")) {
        return Variant::String(mount_.type);
    }
    if (Is(name, "DriveType")) {
        return Variant::Long(static_cast<std::int32_t>(DriveTypeOf(mount_)));
    }
    if (Is(name, "VolumeName")) {
        return Variant::String(VolumeNameOf(mount_));
    }
    if (Is(name, "ShareName")) {
        return Variant::String(DriveTypeOf(mount_) == drive_type::kNetwork ? mount_.source : "");
    }
    const Space space = SpaceOf(mount_.mountPoint);
    if (Is(name, "IsReady")) {
        return Variant::Boolean(space.ready);
    }
    const bool sizeMember = Is(name, "TotalSize") || Is(name, "FreeSpace") ||
                            Is(name, "AvailableSpace") || Is(name, "SerialNumber");
    if (!sizeMember) {
        throw ScriptException(err::kNoSuchMember);
    }
    if (!space.ready) {
        throw ScriptException(file_err::kDeviceUnavailable);
    }
    if (Is(name, "TotalSize")) {
        return Variant::Double(Bytes(space.info.f_blocks, space.info));
    }
    if (Is(name, "FreeSpace")) {
        return Variant::Double(Bytes(space.info.f_bfree, space.info));
    }
    if (Is(name, "AvailableSpace")) {
        return Variant::Double(Bytes(space.info.f_bavail, space.info));
    }
    return Variant::Long(static_cast<std::int32_t>(static_cast<std::uint32_t>(space.info.f_fsid)));
}

MountEntry FindDrive(const std::string& path) {
    if (path.empty() || path.front() != '/' || path.find('\0') != std::string::npos) {
        throw ScriptException(file_err::kDeviceUnavailable);
    }
    char real[PATH_MAX];
    if (::realpath(path.c_str(), real) == nullptr) {
        ThrowFileError(errno, file_err::kPathNotFound);
    }
    const std::vector<MountEntry> mounts = ReadMountTable();
    const MountEntry* mount = MountHolding(mounts, real);
    if (mount == nullptr || IsVirtualFileSystem(mount->type)) {
        throw ScriptException(file_err::kDeviceUnavailable);
    }
    return *mount;
}

std::shared_ptr<DriveObject> GetDriveObject(const std::string& path) {
    return std::make_shared<DriveObject>(FindDrive(path));
}

bool DriveExists(const std::string& path) {
    try {
        FindDrive(path);
        return true;
    } catch (const ScriptException&) {
        return false;
    }
}

} // namespace ob::vbscript::objects
