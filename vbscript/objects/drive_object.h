// The Drive object of the file system objects. Linux has no drive letters: a
// drive is a mount point (mount_table.h), and its members describe that mount:
// Path (the default member; the mount point), DriveLetter (""), RootFolder,
// TotalSize / FreeSpace / AvailableSpace (bytes as Doubles, from statvfs, read
// anew on each call), FileSystem (the mount's type), DriveType, IsReady (True
// when statvfs works), VolumeName (the device, "" for a mount without one),
// SerialNumber (the file system id as a Long), ShareName (the source of a network
// mount, else ""). The statvfs members raise 68 when the drive is not ready.
// Interpreter's thread only.
#pragma once

#include "vbscript/object.h"
#include "vbscript/objects/mount_table.h"

#include <memory>
#include <optional>
#include <string>

namespace ob::vbscript::objects {

/// The DriveType numbers.
namespace drive_type {
inline constexpr long kUnknown = 0;
inline constexpr long kRemovable = 1;
inline constexpr long kFixed = 2;
inline constexpr long kNetwork = 3;
inline constexpr long kCdRom = 4;
inline constexpr long kRamDisk = 5;
} // namespace drive_type

/// The DriveType of a mount: network file systems (nfs, nfs4, cifs, smb3, smbfs,
/// ncpfs, afs, 9p, ceph, glusterfs, sshfs and other fuse.* network types) 3,
/// iso9660 and udf 4, tmpfs and ramfs 5, a device the kernel calls removable 1,
/// any other device-backed or layered file system 2, a mount without a type 0.
OB_VBSCRIPT_API long DriveTypeOf(const MountEntry& mount);

/// The device a mount is on ("/dev/..."), else "".
OB_VBSCRIPT_API std::string VolumeNameOf(const MountEntry& mount);

class DriveObject final : public Object {
public:
    explicit DriveObject(MountEntry mount) : mount_(std::move(mount)) {}

    std::string TypeName() const override { return "Drive"; }
    Variant Invoke(std::string_view name, InvokeKind kind, std::vector<Variant>& args) override;

private:
    MountEntry mount_;
};

/// The mount GetDrive / DriveExists mean by `path`: an absolute path, the mount
/// point itself or any path inside it (symbolic links followed). Raises 68 for a
/// text that is no absolute path (a drive letter such as "C:" included), holds a
/// NUL character or lies on a virtual file system, 76 for a path that does not
/// exist.
MountEntry FindDrive(const std::string& path);

/// GetDrive: a Drive for FindDrive(path).
std::shared_ptr<DriveObject> GetDriveObject(const std::string& path);

/// DriveExists: true when FindDrive(path) finds a drive.
bool DriveExists(const std::string& path);

} // namespace ob::vbscript::objects
