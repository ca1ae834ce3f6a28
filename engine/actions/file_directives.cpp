// The file directives: -copy, -move, -rename/-ren, -delete/-del, -md/-mkdir,
// -rd/-rmdir, -cd/-chdir, -pwd and -getfile. Each failure is soft (JR.LAST_ERROR
// and the job's $ONERROR handler); a missing argument is fatal.

#include "engine/actions/directive_table.h"
#include "engine/actions/file_copy.h"
#include "engine/actions/file_variables.h"
#include "platform/fs/find_files.h"
#include "platform/text/ascii_case.h"

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace ob::engine {
namespace {

using text::EqualsIgnoringCase;

bool Is(const ActionContext& context, std::string_view name) {
    return EqualsIgnoringCase(context.words[0], name);
}

// -move: the target is replaced, the source may live on another file system.
bool MoveReplacing(const std::string& source, const std::string& target) {
    struct stat from {};
    if (::lstat(source.c_str(), &from) != 0) {
        return false;
    }
    struct stat to {};
    const bool targetExists = ::lstat(target.c_str(), &to) == 0;
    // Deleting the target first cannot remove a directory, and a move onto a name
    // that is still taken fails.
    if (targetExists && S_ISDIR(to.st_mode)) {
        return false;
    }
    // A directory cannot be renamed over a file: the file goes first (a failure to
    // delete it is left to the rename to report). A file replaces a file in one step,
    // so a source that is the target itself is never deleted.
    if (targetExists && S_ISDIR(from.st_mode)) {
        ::unlink(target.c_str());
    }
    if (::rename(source.c_str(), target.c_str()) == 0) {
        return true;
    }
    if (errno != EXDEV || !S_ISREG(from.st_mode)) {
        return false;
    }
    // Another file system: copy, then delete the original. When the delete fails
    // both copies stay and the move is reported as failed.
    return CopyRegularFile(source, target, true) == 0 && ::unlink(source.c_str()) == 0;
}

// -rename: as -move, but an existing target makes it fail.
bool MoveKeeping(const std::string& source, const std::string& target) {
    if (::renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) {
        return true;
    }
    if (errno == EINVAL || errno == ENOSYS) {
        // File systems without RENAME_NOREPLACE (a directory moved into itself is
        // EINVAL as well and fails again below).
        struct stat to {};
        if (::lstat(target.c_str(), &to) == 0) {
            return false;
        }
        return ::rename(source.c_str(), target.c_str()) == 0;
    }
    struct stat from {};
    if (errno != EXDEV || ::lstat(source.c_str(), &from) != 0 || !S_ISREG(from.st_mode)) {
        return false;
    }
    return CopyRegularFile(source, target, false) == 0 && ::unlink(source.c_str()) == 0;
}

// The directory FindFiles reads for a pattern ("." when it has none).
std::string SearchDirectory(const std::string& pattern) {
    std::string directory;
    std::string name;
    fs::SplitPath(pattern, directory, name);
    if (directory.empty()) {
        return "./";
    }
    for (char& c : directory) {
        if (c == '\\') {
            c = '/';
        }
    }
    return directory;
}

// An entry's last-write time to the nanosecond, so that files written within the
// same second still have an order; the search's whole seconds when the entry has
// gone since.
struct timespec LastWrite(const std::string& directory, const fs::FindData& entry) {
    struct stat info {};
    if (::stat((directory + entry.name).c_str(), &info) == 0) {
        return info.st_mtim;
    }
    struct timespec seconds {};
    seconds.tv_sec = static_cast<std::time_t>(entry.modified);
    return seconds;
}

int Compare(const struct timespec& a, const struct timespec& b) {
    if (a.tv_sec != b.tv_sec) {
        return a.tv_sec < b.tv_sec ? -1 : 1;
    }
    if (a.tv_nsec != b.tv_nsec) {
        return a.tv_nsec < b.tv_nsec ? -1 : 1;
    }
    return 0;
}

constexpr std::uint32_t kUnusable =
    fs::FILE_ATTRIBUTE_READONLY | fs::FILE_ATTRIBUTE_HIDDEN | fs::FILE_ATTRIBUTE_DIRECTORY;

// Size of the buffer the current directory is read into.
constexpr std::size_t kCurrentDirectoryBuffer = 1040;

} // namespace

Outcome DirectiveCopyMove(ActionContext& context) {
    if (context.words.size() < 3) {
        return MissingArgument(context);
    }
    const std::string& source = context.words[1];
    const std::string& target = context.words[2];
    if (Is(context, "-copy")) {
        if (CopyRegularFile(source, target, true) != 0) {
            return SoftFailure(context, "Copy file failed.");
        }
        return Outcome::Done;
    }
    if (!MoveReplacing(source, target)) {
        return SoftFailure(context, "Move file failed.");
    }
    return Outcome::Done;
}

Outcome DirectiveFileOperation(ActionContext& context) {
    const bool rename = Is(context, "-rename") || Is(context, "-ren");
    if (context.words.size() < (rename ? 3u : 2u)) {
        return MissingArgument(context);
    }
    const std::string& path = context.words[1];
    if (rename) {
        if (!MoveKeeping(path, context.words[2])) {
            return SoftFailure(context, "Rename file failed.");
        }
    } else if (Is(context, "-delete") || Is(context, "-del")) {
        if (::unlink(path.c_str()) != 0) {
            return SoftFailure(context, "Delete file failed.");
        }
    } else if (Is(context, "-md") || Is(context, "-mkdir")) {
        if (::mkdir(path.c_str(), 0777) != 0) {
            return SoftFailure(context, "Make directory failed.");
        }
    } else if (Is(context, "-rd") || Is(context, "-rmdir")) {
        if (::rmdir(path.c_str()) != 0) {
            return SoftFailure(context, "Remove directory failed.");
        }
    } else if (Is(context, "-cd") || Is(context, "-chdir")) {
        if (::chdir(path.c_str()) != 0) {
            return SoftFailure(context, "Change directory failed.");
        }
    } else if (Is(context, "-pwd")) {
        // A directory longer than the buffer fails instead of storing a cut path.
        char directory[kCurrentDirectoryBuffer];
        if (::getcwd(directory, sizeof directory) == nullptr) {
            return SoftFailure(context, "Current working directory failed.");
        }
        return SetProcessVariable(context, path, directory);
    } else {
        std::string message = "Unknown -action directive \"";
        message.append(context.words[0]).append("\"");
        return FatalFailure(context, message);
    }
    return Outcome::Done;
}

Outcome DirectiveGetFile(ActionContext& context) {
    if (context.words.size() < 4) {
        return MissingArgument(context);
    }
    const bool newest = EqualsIgnoringCase(context.words[1], "-newest");
    const std::string& pattern = context.words[2];
    const std::string& variable = context.words[3];

    const std::vector<fs::FindData> entries = fs::FindFiles(pattern);
    if (entries.empty()) {
        return SoftFailure(context, "No files matching pattern.");
    }
    const std::string directory = SearchDirectory(pattern);
    const fs::FindData* candidate = nullptr;
    struct timespec candidateTime {};
    for (const fs::FindData& entry : entries) {
        if ((entry.attributes & kUnusable) != 0) {
            continue;
        }
        const struct timespec written = LastWrite(directory, entry);
        // Among equal times the newest search keeps the first entry, the oldest
        // search the last.
        const int order = candidate == nullptr ? 0 : Compare(written, candidateTime);
        if (candidate == nullptr || (newest ? order > 0 : order <= 0)) {
            candidate = &entry;
            candidateTime = written;
        }
    }
    if (candidate == nullptr) {
        return SoftFailure(context, "No files matching pattern.");
    }
    return SetFileVariables(context, variable, pattern, *candidate);
}

} // namespace ob::engine
