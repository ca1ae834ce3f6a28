#include "vbscript/objects/drive_collection.h"

#include "vbscript/objects/drive_object.h"
#include "vbscript/objects/file_error.h"
#include "vbscript/objects/file_path.h"
#include "vbscript/objects/member_call.h"

namespace ob::vbscript::objects {
Variant DriveCollection::Invoke(std::string_view name, InvokeKind kind,
                                std::vector<Variant>& args) {
    if (!IsRead(kind)) {
        throw ScriptException(err::kNoSuchMember);
    }
    if (Is(name, "Count")) {
        RequireArgs(args, 0, 0);
        return Variant::Long(static_cast<std::int32_t>(drives_.size()));
    }
    if (name.empty() || Is(name, "Item")) {
        RequireArgs(args, 1, 1);
        const std::string wanted = FullPath(TextOf(args[0]));
        for (const MountEntry& drive : drives_) {
            if (drive.mountPoint == wanted) {
                return Variant::FromObject(std::make_shared<DriveObject>(drive));
            }
        }
        throw ScriptException(file_err::kDeviceUnavailable);
    }
    throw ScriptException(err::kNoSuchMember);
}

bool DriveCollection::Enumerate(std::vector<Variant>& items) {
    items.clear();
    for (const MountEntry& drive : drives_) {
        items.push_back(Variant::FromObject(std::make_shared<DriveObject>(drive)));
    }
    return true;
}

std::shared_ptr<DriveCollection> CurrentDrives() {
    return std::make_shared<DriveCollection>(DriveMounts(ReadMountTable()));
}

} // namespace ob::vbscript::objects
