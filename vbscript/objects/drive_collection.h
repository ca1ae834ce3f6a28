// The Drives collection of the file system objects: one Drive (drive_object.h)
// for each mount point of a real file system (mount_table.h: DriveMounts), in the
// order of the mount table, as it was when the collection was made. Count,
// Item(path) (the default member; the mount point's path, 68 when no listed drive
// has it) and For Each. Interpreter's thread only.
#pragma once

#include "vbscript/object.h"
#include "vbscript/objects/mount_table.h"

#include <vector>

namespace ob::vbscript::objects {

class DriveCollection final : public Object {
public:
    explicit DriveCollection(std::vector<MountEntry> drives) : drives_(std::move(drives)) {}

    std::string TypeName() const override { return "Drives"; }
    Variant Invoke(std::string_view name, InvokeKind kind, std::vector<Variant>& args) override;
    bool Enumerate(std::vector<Variant>& items) override;

private:
    std::vector<MountEntry> drives_;
};

/// The Drives of the current mount table.
std::shared_ptr<DriveCollection> CurrentDrives();

} // namespace ob::vbscript::objects
