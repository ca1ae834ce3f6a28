// Feeds arbitrary bytes to the private profile file reader as a file's content, and
// checks that a value written through the writer reads back unchanged.

#include "variables/profile_file.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

const std::filesystem::path& ScratchFile() {
    static const std::filesystem::path path = [] {
        char pattern[] = "/tmp/obfuzz-profile.XXXXXX";
        const char* dir = ::mkdtemp(pattern);
        if (dir == nullptr) {
            std::abort();
        }
        return std::filesystem::path(dir) / "Obrenta.ini";
    }();
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    {
        std::ofstream file(ScratchFile(), std::ios::binary | std::ios::trunc);
        file << input;
    }
    const ob::vars::ProfileFile profile(ScratchFile());
    // Names taken from the input itself, so that sections and entries it holds are hit.
    const std::size_t cut = input.find('\n');
    const std::string first = input.substr(0, cut == std::string::npos ? 16 : cut);
    const std::string section = first.substr(0, first.find('='));
    const std::string entry =
        first.find('=') == std::string::npos ? first : first.substr(first.find('=') + 1);
    (void)profile.Read(section, entry, "fallback");
    (void)profile.Read("JR.ENVIRONMENT", "cs_port", "");

    // Writes are slow (the file is flushed to disk): check the round trip now and then.
    if (size > 0 && data[0] % 16 == 0) {
        std::string value = input.substr(1, 64);
        value = value.substr(0, value.find('\0')); // the writer takes a C string
        if (profile.Write("Fuzz", "Entry", value.c_str())) {
            const std::string back = profile.Read("Fuzz", "Entry", "\x01missing");
            if (back != value) {
                std::abort();
            }
        }
    }
    return 0;
}
