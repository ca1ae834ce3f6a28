// The File object of the file system objects: one file, named by its full path.
// Properties are read from the file system at each call (53 once it is gone).
// The default member is Path. Interpreter's thread only.
#pragma once

#include "vbscript/object.h"

#include <memory>
#include <string>

namespace ob::vbscript::objects {

class FileObject final : public Object {
public:
    /// `path` is a full path (FullPath) of an existing file.
    explicit FileObject(std::string path) : path_(std::move(path)) {}

    std::string TypeName() const override { return "File"; }
    Variant Invoke(std::string_view name, InvokeKind kind, std::vector<Variant>& args) override;

private:
    std::string path_;
};

/// A File for `path`; raises 53 (76 when its folder is missing) unless it is an
/// existing file that is not a folder.
std::shared_ptr<FileObject> GetFileObject(const std::string& path);

} // namespace ob::vbscript::objects
