// The Folder object of the file system objects: one folder, named by its full
// path, with its Files and SubFolders collections (folder_items.h). The default
// member is Path. Interpreter's thread only.
#pragma once

#include "vbscript/object.h"

#include <memory>
#include <string>

namespace ob::vbscript::objects {

class FolderObject final : public Object {
public:
    /// `path` is a full path (FullPath) of an existing folder.
    explicit FolderObject(std::string path) : path_(std::move(path)) {}

    std::string TypeName() const override { return "Folder"; }
    Variant Invoke(std::string_view name, InvokeKind kind, std::vector<Variant>& args) override;

private:
    std::string path_;
};

/// A Folder for `path`; raises 76 unless it is an existing folder.
std::shared_ptr<FolderObject> GetFolderObject(const std::string& path);

} // namespace ob::vbscript::objects
