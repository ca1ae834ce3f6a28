#include "platform/fs/program_path.h"

#include <climits>
#include <unistd.h>

namespace ob::fs {

std::string ProgramPath() {
    std::string path(PATH_MAX, '\0');
    const ssize_t n = ::readlink("/proc/self/exe", path.data(), path.size());
    if (n <= 0) {
        return {};
    }
    path.resize(static_cast<std::size_t>(n));
    return path;
}

} // namespace ob::fs
