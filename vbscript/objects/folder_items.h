// The Files and SubFolders collections of a Folder: the entries present when the
// collection was made, sorted by name. Count, Item(name) (53 for a file, 76 for a
// folder that is not in it) and For Each (File / Folder objects). Interpreter's
// thread only.
#pragma once

#include "vbscript/object.h"

#include <string>
#include <vector>

namespace ob::vbscript::objects {

class FolderItems final : public Object {
public:
    enum class Kind { Files, Folders };

    /// Lists `folder` (a full path); raises 76 when it cannot be read.
    FolderItems(const std::string& folder, Kind kind);

    std::string TypeName() const override { return kind_ == Kind::Files ? "Files" : "Folders"; }
    Variant Invoke(std::string_view name, InvokeKind kind, std::vector<Variant>& args) override;
    bool Enumerate(std::vector<Variant>& items) override;

private:
    Variant Make(const std::string& path) const;

    Kind kind_;
    std::vector<std::string> paths_;
};

} // namespace ob::vbscript::objects
