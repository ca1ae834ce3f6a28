// Feeds arbitrary text to the %-expansion and to the argument tokeniser in all four
// modes, with a few variables set that refer to each other and to themselves, and
// checks what must hold for any text: expansion ends with a bounded result, and the
// tokeniser returns only non-empty words free of double quotes which, without
// expansion, hold every other character of the text but its separators.

#include "engine/expansion/argument_tokeniser.h"
#include "engine/expansion/expand_text.h"
#include "platform/env/environment.h"
#include "platform/registry/registry.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

void SetUpOnce() {
    static const bool ready = [] {
        // The last step of a round may ask the persistent store: keep it private.
        char pattern[] = "/tmp/obfuzz-expand.XXXXXX";
        const char* dir = ::mkdtemp(pattern);
        if (dir == nullptr) {
            std::abort();
        }
        const std::filesystem::path root(dir);
        std::filesystem::create_directories(root / "machine");
        std::filesystem::create_directories(root / "user");
        ob::env::Set("OBRENTA_MACHINE_DIR", (root / "machine").string());
        ob::env::Set("OBRENTA_USER_DIR", (root / "user").string());
        ob::registry::ResetConnections();
        ob::env::Set("A", "%B%,\"x y\"");
        ob::env::Set("B", "%A%%A%");
        ob::env::Set("SELF", "s%self%");
        ob::env::Set("PLAIN", "plain value");
        return true;
    }();
    (void)ready;
}

/// The text without double quotes and separators: what the words of a text hold
/// between them, whatever was quoted.
std::string Kept(const std::string& text, bool commaSeparates) {
    std::string kept;
    for (const char c : text) {
        if (c != '"' && c != ' ' && c != '\t' && !(c == ',' && commaSeparates)) {
            kept += c;
        }
    }
    return kept;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    SetUpOnce();
    const std::string input(reinterpret_cast<const char*>(data), size);
    std::string expanded = input;
    ob::engine::ExpandText(expanded);
    if (expanded.size() > ob::engine::kMaxExpandedSize + (std::size_t{1} << 20)) {
        std::abort();
    }

    std::string trimmed = input;
    while (!trimmed.empty() && (trimmed.back() == ' ' || trimmed.back() == '\t' ||
                                trimmed.back() == '\r' || trimmed.back() == '\n')) {
        trimmed.pop_back();
    }
    std::vector<std::string> words;
    for (std::uint32_t mode = 0; mode < 4; ++mode) {
        const ob::engine::TokeniseResult result = ob::engine::ArgumentTokeniser(input, mode, words);
        if (result != ob::engine::TokeniseResult::Ok) {
            if (!words.empty()) {
                std::abort();
            }
            continue;
        }
        std::string joined;
        for (const std::string& word : words) {
            if (word.empty() || word.find('"') != std::string::npos) {
                std::abort();
            }
            joined += word;
        }
        const bool commaSeparates = (mode & ob::engine::TOKENISE_NO_COMMA) == 0;
        if ((mode & ob::engine::TOKENISE_EXPAND) == 0 &&
            Kept(joined, commaSeparates) != Kept(trimmed, commaSeparates)) {
            std::abort();
        }
    }
    return 0;
}
