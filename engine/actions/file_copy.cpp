#include "engine/actions/file_copy.h"

#include "platform/lifetime/scope_exit.h"
#include "platform/lifetime/unique_fd.h"

#include <cerrno>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace ob::engine {
namespace {

std::string DirectoryOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

int WriteAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return 0;
}

int CopyData(int from, int to) {
    std::vector<char> buffer(1 << 16);
    for (;;) {
        const ssize_t got = ::read(from, buffer.data(), buffer.size());
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        if (got == 0) {
            return 0;
        }
        if (const int error = WriteAll(to, buffer.data(), static_cast<std::size_t>(got))) {
            return error;
        }
    }
}

// Gives the finished temporary file the target's name; `moved` tells whether the
// temporary name is gone.
int Publish(const std::string& temporary, const std::string& target, bool replace, bool& moved) {
    moved = false;
    if (replace) {
        if (::rename(temporary.c_str(), target.c_str()) != 0) {
            return errno;
        }
        moved = true;
        return 0;
    }
    if (::renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) {
        moved = true;
        return 0;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return errno;
    }
    // File systems without RENAME_NOREPLACE: a hard link fails on an existing name
    // just as atomically; the temporary name then goes away with its guard.
    return ::link(temporary.c_str(), target.c_str()) == 0 ? 0 : errno;
}

} // namespace

int CopyRegularFile(const std::string& source, const std::string& target, bool replace) {
    // O_NONBLOCK: opening a FIFO must not wait for a writer; it is refused below.
    ob::UniqueFd in(::open(source.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (!in.Valid()) {
        return errno;
    }
    struct stat from {};
    if (::fstat(in.Get(), &from) != 0) {
        return errno;
    }
    if (S_ISDIR(from.st_mode)) {
        return EISDIR;
    }
    if (!S_ISREG(from.st_mode)) {
        return EINVAL;
    }
    const int flags = ::fcntl(in.Get(), F_GETFL);
    if (flags < 0 || ::fcntl(in.Get(), F_SETFL, flags & ~O_NONBLOCK) != 0) {
        return errno;
    }

    struct stat to {};
    if (::stat(target.c_str(), &to) == 0) {
        if (to.st_dev == from.st_dev && to.st_ino == from.st_ino) {
            return EBUSY;
        }
        if (S_ISDIR(to.st_mode)) {
            return EISDIR;
        }
        if (!replace) {
            return EEXIST;
        }
    }

    std::string pattern = DirectoryOf(target) + ".obrenta-copy.XXXXXX";
    ob::UniqueFd out(::mkostemp(pattern.data(), O_CLOEXEC));
    if (!out.Valid()) {
        return errno;
    }
    // The temporary file goes unless it was handed over to the target's name.
    ob::ScopeExit removeTemporary([&pattern] { ::unlink(pattern.c_str()); });
    if (::fchmod(out.Get(), from.st_mode & 0777) != 0) {
        return errno;
    }
    if (const int error = CopyData(in.Get(), out.Get())) {
        return error;
    }
    const struct timespec times[2] = {from.st_atim, from.st_mtim};
    if (::futimens(out.Get(), times) != 0) {
        return errno;
    }
    if (const int error = out.Close()) {
        return error;
    }
    bool moved = false;
    const int error = Publish(pattern, target, replace, moved);
    if (moved) {
        removeTemporary.Dismiss();
    }
    return error;
}

} // namespace ob::engine
