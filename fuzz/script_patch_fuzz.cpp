// The script-file patcher: every version's text replacements applied to any text
// change exactly what they count, and a second run changes nothing (a patch may be
// applied to the same file again, by a repeated upgrade).
#include "setup/text_replacement.h"
#include "setup/version_patches.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

// Applies the replacements of `version` that belong to `file`; the number made.
std::size_t Apply(std::string_view version, std::string_view file, std::string& text) {
    std::size_t count = 0;
    for (const ob::setup::ScriptReplacement& r : ob::setup::ScriptReplacementsOf(version)) {
        if (r.file != file) {
            continue;
        }
        const std::size_t before = text.size();
        const std::size_t made = ob::setup::ReplaceAll(text, r.from, r.to);
        if (text.size() != before + made * r.to.size() - made * r.from.size()) {
            std::abort();
        }
        count += made;
    }
    return count;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    for (const std::string_view version : ob::setup::PatchedVersions()) {
        for (const std::string_view file : {"config.jr", "autorun.jr"}) {
            std::string text = input;
            Apply(version, file, text);
            const std::string once = text;
            if (Apply(version, file, text) != 0 || text != once) {
                std::abort();
            }
        }
    }
    return 0;
}
