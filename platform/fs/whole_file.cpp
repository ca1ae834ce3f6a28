#include "platform/fs/whole_file.h"

#include "platform/lifetime/unique_fd.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ob::fs {
namespace {

/// The permission bits a new file gets: 0666 less the process's umask (read
/// without changing it, from /proc; 022 when that cannot be read).
mode_t NewFileMode() {
    mode_t mask = 022;
    ob::UniqueFd status(::open("/proc/self/status", O_RDONLY | O_CLOEXEC));
    if (status.Valid()) {
        char text[4096];
        const ssize_t n = ::read(status.Get(), text, sizeof text - 1);
        if (n > 0) {
            text[n] = '\0';
            if (const char* found = std::strstr(text, "Umask:")) {
                mask = static_cast<mode_t>(std::strtoul(found + 6, nullptr, 8));
            }
        }
    }
    return 0666 & ~mask;
}

int WriteAll(int fd, std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        bytes = bytes.subspan(static_cast<std::size_t>(n));
    }
    return 0;
}

} // namespace

std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::string& path,
                                                       std::uint64_t maxBytes) {
    ob::UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat info {};
    if (!fd.Valid() || ::fstat(fd.Get(), &info) != 0 || !S_ISREG(info.st_mode) ||
        static_cast<std::uint64_t>(info.st_size) > maxBytes) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(info.st_size));
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::read(fd.Get(), bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break; // the file shrank while it was read: keep what was there
        }
        done += static_cast<std::size_t>(n);
    }
    bytes.resize(done);
    return bytes;
}

int ReplaceWholeFile(const std::string& path, std::span<const std::uint8_t> bytes) {
    struct stat existing {};
    const bool exists = ::stat(path.c_str(), &existing) == 0;
    if (exists && S_ISDIR(existing.st_mode)) {
        return EISDIR;
    }
    std::string temporary = path + ".XXXXXX";
    ob::UniqueFd out(::mkostemp(temporary.data(), O_CLOEXEC));
    if (!out.Valid()) {
        return errno;
    }
    const mode_t mode = exists ? (existing.st_mode & 07777) : NewFileMode();
    int error = ::fchmod(out.Get(), mode) != 0 ? errno : 0;
    if (error == 0) {
        error = WriteAll(out.Get(), bytes);
    }
    if (error == 0) {
        error = out.Close();
    }
    if (error == 0 && ::rename(temporary.c_str(), path.c_str()) != 0) {
        error = errno;
    }
    if (error != 0) {
        ::unlink(temporary.c_str());
    }
    return error;
}

} // namespace ob::fs
