#include "vbscript/objects/file_error.h"

#include "vbscript/script_exception.h"

#include <cerrno>
#include <sys/stat.h>

namespace ob::vbscript::objects {

long FileErrorNumber(int errnoValue, long notFound) {
    switch (errnoValue) {
    case ENOENT:
        return notFound;
    case ENOTDIR:
        return file_err::kPathNotFound;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS:
    case ETXTBSY:
    case EBUSY:
    case ENOTEMPTY:
        return file_err::kPermissionDenied;
    case EEXIST:
        return file_err::kFileExists;
    case ENOSPC:
    case EDQUOT:
        return file_err::kDiskFull;
    case EMFILE:
    case ENFILE:
        return file_err::kTooManyFiles;
    case ENAMETOOLONG:
    case ELOOP:
        return file_err::kBadFileName;
    default:
        return file_err::kDeviceIo;
    }
}

long MissingFileError(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return file_err::kFileNotFound; // in the current folder, which exists
    }
    const std::string parent = slash == 0 ? std::string("/") : path.substr(0, slash);
    struct stat info {};
    return ::stat(parent.c_str(), &info) == 0 && S_ISDIR(info.st_mode) ? file_err::kFileNotFound
                                                                       : file_err::kPathNotFound;
}

void ThrowFileError(int errnoValue, long notFound) {
    throw ScriptException(FileErrorNumber(errnoValue, notFound));
}

} // namespace ob::vbscript::objects
