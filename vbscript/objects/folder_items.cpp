#include "vbscript/objects/folder_items.h"

#include "vbscript/objects/file_error.h"
#include "vbscript/objects/file_object.h"
#include "vbscript/objects/file_path.h"
#include "vbscript/objects/folder_object.h"
#include "vbscript/objects/member_call.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace ob::vbscript::objects {

FolderItems::FolderItems(const std::string& folder, Kind kind) : kind_(kind) {
    namespace fs = std::filesystem;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code typeError;
        if (it->is_directory(typeError) == (kind == Kind::Folders)) {
            paths_.push_back(JoinPath(folder, it->path().filename().string()));
        }
    }
    if (ec) {
        ThrowFileError(ec.value(), file_err::kPathNotFound);
    }
    std::sort(paths_.begin(), paths_.end());
}

Variant FolderItems::Make(const std::string& path) const {
    if (kind_ == Kind::Files) {
        return Variant::FromObject(std::make_shared<FileObject>(path));
    }
    return Variant::FromObject(std::make_shared<FolderObject>(path));
}

Variant FolderItems::Invoke(std::string_view name, InvokeKind kind, std::vector<Variant>& args) {
    if (!IsRead(kind)) {
        throw ScriptException(err::kNoSuchMember);
    }
    if (Is(name, "Count")) {
        RequireArgs(args, 0, 0);
        return Variant::Long(static_cast<std::int32_t>(paths_.size()));
    }
    if (name.empty() || Is(name, "Item")) {
        RequireArgs(args, 1, 1);
        const std::string wanted = TextOf(args[0]);
        for (const std::string& path : paths_) {
            if (PathName(path) == wanted) {
                return Make(path);
            }
        }
        throw ScriptException(kind_ == Kind::Files ? file_err::kFileNotFound
                                                   : file_err::kPathNotFound);
    }
    throw ScriptException(err::kNoSuchMember);
}

bool FolderItems::Enumerate(std::vector<Variant>& items) {
    items.clear();
    for (const std::string& path : paths_) {
        items.push_back(Make(path));
    }
    return true;
}

} // namespace ob::vbscript::objects
