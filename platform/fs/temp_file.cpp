#include "platform/fs/temp_file.h"

#include "platform/env/environment.h"

#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace ob::fs {

std::string TempDirectory() {
    std::string dir = env::Get("TMPDIR").value_or("");
    if (dir.empty()) {
        dir = "/tmp";
    }
    if (dir.back() != '/') {
        dir += '/';
    }
    return dir;
}

std::string CreateTempFile(std::string_view prefix) {
    std::string path = TempDirectory();
    path.append(prefix).append("XXXXXX");
    const int fd = ::mkostemp(path.data(), O_CLOEXEC);
    if (fd < 0) {
        return {};
    }
    ::close(fd);
    return path;
}

} // namespace ob::fs
