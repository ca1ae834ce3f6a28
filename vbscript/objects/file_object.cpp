#include "vbscript/objects/file_object.h"

#include "vbscript/objects/file_entry_properties.h"
#include "vbscript/objects/file_error.h"
#include "vbscript/objects/file_operations.h"
#include "vbscript/objects/file_path.h"
#include "vbscript/objects/folder_object.h"
#include "vbscript/objects/member_call.h"
#include "vbscript/objects/text_stream.h"

#include "platform/time/ole_date.h"

#include <cerrno>
#include <sys/stat.h>

namespace ob::vbscript::objects {
namespace {

struct stat StatFile(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        ThrowFileError(errno, MissingFileError(path));
    }
    if (S_ISDIR(info.st_mode)) {
        throw ScriptException(file_err::kFileNotFound);
    }
    return info;
}

Variant DateOf(std::time_t t) {
    return Variant::Date(datetime::OleDate::FromTimeT(t).Value());
}

} // namespace

std::shared_ptr<FileObject> GetFileObject(const std::string& path) {
    const std::string full = FullPath(path);
    StatFile(full);
    return std::make_shared<FileObject>(full);
}

Variant FileObject::Invoke(std::string_view name, InvokeKind kind, std::vector<Variant>& args) {
    if (Variant result;
        InvokeEntryMember(path_, name, kind, args, file_err::kFileNotFound, result)) {
        return result;
    }
    if (!IsRead(kind)) {
        throw ScriptException(err::kNoSuchMember);
    }
    if (Is(name, "Type")) {
        RequireArgs(args, 0, 0);
        return Variant::String("File");
    }
    if (Is(name, "Size")) {
        RequireArgs(args, 0, 0);
        return Variant::Number(static_cast<double>(StatFile(path_).st_size));
    }
    if (Is(name, "DateLastModified")) {
        RequireArgs(args, 0, 0);
        return DateOf(StatFile(path_).st_mtime);
    }
    if (Is(name, "DateCreated")) {
        // Linux keeps no creation time everywhere; the change time is the
        // nearest: it is set when the file is made.
        RequireArgs(args, 0, 0);
        return DateOf(StatFile(path_).st_ctime);
    }
    if (Is(name, "DateLastAccessed")) {
        RequireArgs(args, 0, 0);
        return DateOf(StatFile(path_).st_atime);
    }
    if (Is(name, "ParentFolder")) {
        RequireArgs(args, 0, 0);
        return Variant::FromObject(GetFolderObject(ParentPath(path_)));
    }
    if (Is(name, "Delete")) {
        RequireArgs(args, 0, 1);
        DeleteFiles(path_, Given(args, 0) && ValueOf(args[0]).ToBool());
        return {};
    }
    if (Is(name, "Copy")) {
        RequireArgs(args, 1, 2);
        CopyFiles(path_, TextOf(args[0]), !Given(args, 1) || ValueOf(args[1]).ToBool());
        return {};
    }
    if (Is(name, "Move")) {
        RequireArgs(args, 1, 1);
        const std::string destination = TextOf(args[0]);
        MoveFiles(path_, destination);
        const bool into = !destination.empty() && destination.back() == '/';
        path_ = FullPath(into ? JoinPath(destination, PathName(path_)) : destination);
        return {};
    }
    if (Is(name, "OpenAsTextStream")) {
        RequireArgs(args, 0, 2);
        const long mode = Given(args, 0) ? ValueOf(args[0]).ToLong() : 1;
        const long format = Given(args, 1) ? ValueOf(args[1]).ToLong() : kTristateUseDefault;
        StatFile(path_);
        return Variant::FromObject(OpenTextFile(path_, mode, false, format));
    }
    throw ScriptException(err::kNoSuchMember);
}

} // namespace ob::vbscript::objects
