#include "vbscript/objects/file_system_object.h"

#include "vbscript/class_registry.h"
#include "vbscript/objects/drive_collection.h"
#include "vbscript/objects/drive_object.h"
#include "vbscript/objects/file_error.h"
#include "vbscript/objects/file_object.h"
#include "vbscript/objects/file_operations.h"
#include "vbscript/objects/file_path.h"
#include "vbscript/objects/folder_object.h"
#include "vbscript/objects/member_call.h"
#include "vbscript/objects/text_stream.h"

#include "platform/env/environment.h"

#include <cerrno>
#include <cstdio>
#include <random>
#include <sys/stat.h>

namespace ob::vbscript::objects {
namespace {

constexpr long kTemporaryFolder = 2;

bool IsFolder(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool IsFile(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

std::string TempName() {
    static thread_local std::mt19937 engine{std::random_device{}()};
    char name[16];
    std::snprintf(name, sizeof name, "rad%05X.tmp", static_cast<unsigned>(engine() & 0xFFFFFu));
    return name;
}

} // namespace

std::string TemporaryFolder() {
    std::string folder = env::Get("TMPDIR").value_or("");
    if (folder.empty() || !IsFolder(folder)) {
        folder = "/tmp";
    }
    return FullPath(folder);
}

Variant FileSystemObject::Invoke(std::string_view name, InvokeKind kind,
                                 std::vector<Variant>& args) {
    if (!IsRead(kind)) {
        throw ScriptException(err::kNoSuchMember);
    }
    auto text = [&](std::size_t i) { return TextOf(args[i]); };
    auto flag = [&](std::size_t i, bool absent) {
        return Given(args, i) ? ValueOf(args[i]).ToBool() : absent;
    };

    // Path texts
    if (Is(name, "BuildPath")) {
        RequireArgs(args, 2, 2);
        return Variant::String(JoinPath(text(0), text(1)));
    }
    if (Is(name, "GetFileName")) {
        RequireArgs(args, 1, 1);
        return Variant::String(PathName(text(0)));
    }
    if (Is(name, "GetBaseName")) {
        RequireArgs(args, 1, 1);
        return Variant::String(BaseName(text(0)));
    }
    if (Is(name, "GetExtensionName")) {
        RequireArgs(args, 1, 1);
        return Variant::String(ExtensionName(text(0)));
    }
    if (Is(name, "GetParentFolderName")) {
        RequireArgs(args, 1, 1);
        return Variant::String(ParentPath(text(0)));
    }
    if (Is(name, "GetAbsolutePathName")) {
        RequireArgs(args, 1, 1);
        return Variant::String(FullPath(text(0)));
    }
    if (Is(name, "GetDriveName")) {
        RequireArgs(args, 1, 1);
        return Variant::String(""); // Linux paths have no drive letters
    }

    // Drives: the mount points
    if (Is(name, "Drives")) {
        auto drives = CurrentDrives();
        if (!args.empty()) {
            // fso.Drives("/home"): the arguments go to the collection's Item.
            return drives->Invoke("", InvokeKind::Method, args);
        }
        return Variant::FromObject(std::move(drives));
    }
    if (Is(name, "GetDrive")) {
        RequireArgs(args, 1, 1);
        return Variant::FromObject(GetDriveObject(text(0)));
    }
    if (Is(name, "DriveExists")) {
        RequireArgs(args, 1, 1);
        return Variant::Boolean(DriveExists(text(0)));
    }
    if (Is(name, "GetTempName")) {
        RequireArgs(args, 0, 0);
        return Variant::String(TempName());
    }

    // Looking things up
    if (Is(name, "FileExists")) {
        RequireArgs(args, 1, 1);
        return Variant::Boolean(IsFile(text(0)));
    }
    if (Is(name, "FolderExists")) {
        RequireArgs(args, 1, 1);
        return Variant::Boolean(IsFolder(text(0)));
    }
    if (Is(name, "GetFile")) {
        RequireArgs(args, 1, 1);
        return Variant::FromObject(GetFileObject(text(0)));
    }
    if (Is(name, "GetFolder")) {
        RequireArgs(args, 1, 1);
        return Variant::FromObject(GetFolderObject(text(0)));
    }
    if (Is(name, "GetSpecialFolder")) {
        RequireArgs(args, 1, 1);
        if (ValueOf(args[0]).ToLong() != kTemporaryFolder) {
            throw ScriptException(err::kInvalidCall);
        }
        return Variant::FromObject(GetFolderObject(TemporaryFolder()));
    }

    // Changing things
    if (Is(name, "CreateFolder")) {
        RequireArgs(args, 1, 1);
        const std::string path = FullPath(text(0));
        if (::mkdir(path.c_str(), 0777) != 0) {
            ThrowFileError(errno, file_err::kPathNotFound);
        }
        return Variant::FromObject(GetFolderObject(path));
    }
    if (Is(name, "DeleteFile")) {
        RequireArgs(args, 1, 2);
        DeleteFiles(text(0), flag(1, false));
        return {};
    }
    if (Is(name, "DeleteFolder")) {
        RequireArgs(args, 1, 2);
        DeleteFolders(text(0), flag(1, false));
        return {};
    }
    if (Is(name, "CopyFile")) {
        RequireArgs(args, 2, 3);
        CopyFiles(text(0), text(1), flag(2, true));
        return {};
    }
    if (Is(name, "MoveFile")) {
        RequireArgs(args, 2, 2);
        MoveFiles(text(0), text(1));
        return {};
    }
    if (Is(name, "CopyFolder")) {
        RequireArgs(args, 2, 3);
        CopyFolders(text(0), text(1), flag(2, true));
        return {};
    }
    if (Is(name, "MoveFolder")) {
        RequireArgs(args, 2, 2);
        MoveFolders(text(0), text(1));
        return {};
    }

    // Text files
    if (Is(name, "CreateTextFile")) {
        RequireArgs(args, 1, 3);
        return Variant::FromObject(CreateTextFile(text(0), flag(1, true), flag(2, false)));
    }
    if (Is(name, "OpenTextFile")) {
        RequireArgs(args, 1, 4);
        const long mode = Given(args, 1) ? ValueOf(args[1]).ToLong() : 1;
        const long format = Given(args, 3) ? ValueOf(args[3]).ToLong() : kTristateUseDefault;
        return Variant::FromObject(OpenTextFile(text(0), mode, flag(2, false), format));
    }
    throw ScriptException(err::kNoSuchMember);
}

void RegisterFileSystemObjectClass() {
    RegisterBuiltinClass("Scripting.FileSystemObject",
                         [] { return std::make_shared<FileSystemObject>(); });
}

} // namespace ob::vbscript::objects
