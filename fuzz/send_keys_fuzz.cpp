// The SendKeys parser: any text is parsed or refused without a crash; strokes lie
// inside the text in order, the keys typed stay within the limit, and a refusal
// points into the text and carries no strokes.
#include "platform/desktop/send_keys_parser.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const ob::desktop::SendKeysParse parse = ob::desktop::ParseSendKeys(text);
    if (!parse.ok) {
        if (!parse.strokes.empty() || parse.errorPosition >= size || parse.error.empty()) {
            std::abort();
        }
        return 0;
    }
    std::uint64_t typed = 0;
    std::size_t last = 0;
    for (const ob::desktop::KeyStroke& stroke : parse.strokes) {
        if (stroke.position >= size || stroke.position < last || stroke.modifiers > 7 ||
            stroke.character > 0x10FFFF) {
            std::abort();
        }
        last = stroke.position;
        typed += stroke.repeat;
    }
    if (typed > ob::desktop::kMaxKeysTyped) {
        std::abort();
    }
    return 0;
}
