#include "platform/fs/library_path.h"

#include "platform/fs/program_path.h"

#include <dlfcn.h>
#include <unistd.h>

namespace ob::fs {

std::string LibraryPathBeside(const void* anchor, const std::string& library) {
    if (library.find('/') != std::string::npos) {
        return library;
    }
    Dl_info info{};
    std::string self;
    if (::dladdr(anchor, &info) != 0 && info.dli_fname != nullptr && info.dli_fname[0] == '/') {
        self = info.dli_fname;
    } else {
        self = ProgramPath(); // the main program, which dladdr names as it was started
    }
    const std::size_t slash = self.rfind('/');
    if (slash != std::string::npos) {
        const std::string directory = self.substr(0, slash + 1);
        for (const std::string& candidate :
             {directory + library, directory + "../lib/" + library}) {
            if (::access(candidate.c_str(), R_OK) == 0) {
                return candidate;
            }
        }
    }
    return library;
}

} // namespace ob::fs
