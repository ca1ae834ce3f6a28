#include "vbscript/objects/folder_object.h"

#include "vbscript/objects/file_entry_properties.h"
#include "vbscript/objects/file_error.h"
#include "vbscript/objects/file_operations.h"
#include "vbscript/objects/file_path.h"
#include "vbscript/objects/folder_items.h"
#include "vbscript/objects/member_call.h"
#include "vbscript/objects/text_stream.h"

#include "platform/time/ole_date.h"

#include <cerrno>
#include <filesystem>
#include <sys/stat.h>
#include <system_error>

namespace ob::vbscript::objects {
namespace {

struct stat StatFolder(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        throw ScriptException(file_err::kPathNotFound);
    }
    return info;
}

// Bytes of the files below a folder (symbolic links not followed).
double TreeSize(const std::string& path) {
    namespace fs = std::filesystem;
    double total = 0;
    std::error_code ec;
    for (fs::recursive_directory_iterator
             it(path, fs::directory_options::skip_permission_denied, ec),
         end;
         !ec && it != end; it.increment(ec)) {
        std::error_code sizeError;
        if (it->is_regular_file(sizeError) && !it->is_symlink(sizeError)) {
            const auto size = it->file_size(sizeError);
            if (!sizeError) {
                total += static_cast<double>(size);
            }
        }
    }
    if (ec) {
        ThrowFileError(ec.value(), file_err::kPathNotFound);
    }
    return total;
}

} // namespace

std::shared_ptr<FolderObject> GetFolderObject(const std::string& path) {
    if (path.empty()) {
        throw ScriptException(file_err::kPathNotFound);
    }
    const std::string full = FullPath(path);
    StatFolder(full);
    return std::make_shared<FolderObject>(full);
}

Variant FolderObject::Invoke(std::string_view name, InvokeKind kind, std::vector<Variant>& args) {
    if (Variant result;
        InvokeEntryMember(path_, name, kind, args, file_err::kPathNotFound, result)) {
        return result;
    }
    if (!IsRead(kind)) {
        throw ScriptException(err::kNoSuchMember);
    }
    if (Is(name, "Type")) {
        RequireArgs(args, 0, 0);
        return Variant::String("File folder");
    }
    if (Is(name, "IsRootFolder")) {
        RequireArgs(args, 0, 0);
        return Variant::Boolean(path_ == "/");
    }
    if (Is(name, "ParentFolder")) {
        RequireArgs(args, 0, 0);
        if (path_ == "/") {
            return Variant::Nothing();
        }
        return Variant::FromObject(GetFolderObject(ParentPath(path_)));
    }
    if (Is(name, "Files") || Is(name, "SubFolders")) {
        StatFolder(path_);
        auto items = std::make_shared<FolderItems>(
            path_, Is(name, "Files") ? FolderItems::Kind::Files : FolderItems::Kind::Folders);
        if (!args.empty()) {
            // folder.Files("name"): the arguments go to the collection's Item.
            return items->Invoke("", InvokeKind::Method, args);
        }
        return Variant::FromObject(std::move(items));
    }
    if (Is(name, "Size")) {
        RequireArgs(args, 0, 0);
        StatFolder(path_);
        return Variant::Number(TreeSize(path_));
    }
    if (Is(name, "DateLastModified") || Is(name, "DateCreated") || Is(name, "DateLastAccessed")) {
        RequireArgs(args, 0, 0);
        const struct stat info = StatFolder(path_);
        const std::time_t t = Is(name, "DateLastModified") ? info.st_mtime
                              : Is(name, "DateCreated")    ? info.st_ctime
                                                           : info.st_atime;
        return Variant::Date(datetime::OleDate::FromTimeT(t).Value());
    }
    if (Is(name, "Delete")) {
        RequireArgs(args, 0, 1);
        DeleteFolders(path_, Given(args, 0) && ValueOf(args[0]).ToBool());
        return {};
    }
    if (Is(name, "Copy")) {
        RequireArgs(args, 1, 2);
        CopyFolders(path_, TextOf(args[0]), !Given(args, 1) || ValueOf(args[1]).ToBool());
        return {};
    }
    if (Is(name, "Move")) {
        RequireArgs(args, 1, 1);
        const std::string destination = TextOf(args[0]);
        MoveFolders(path_, destination);
        const bool into = !destination.empty() && destination.back() == '/';
        path_ = FullPath(into ? JoinPath(destination, PathName(path_)) : destination);
        return {};
    }
    if (Is(name, "CreateTextFile")) {
        RequireArgs(args, 1, 3);
        return Variant::FromObject(CreateTextFile(JoinPath(path_, TextOf(args[0])),
                                                  !Given(args, 1) || ValueOf(args[1]).ToBool(),
                                                  Given(args, 2) && ValueOf(args[2]).ToBool()));
    }
    throw ScriptException(err::kNoSuchMember);
}

} // namespace ob::vbscript::objects
