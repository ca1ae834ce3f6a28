// Base64 decoding: any text is decoded or refused without a crash, and whatever
// is encoded decodes back to the same bytes.
#include "platform/text/base64.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const auto decoded = ob::text::Base64Decode(input);
    if (decoded && decoded->size() > size) {
        std::abort();
    }
    std::string lines;
    ob::text::AppendBase64Lines(input, 76, "\r\n", lines);
    if (ob::text::Base64Decode(lines) != input ||
        ob::text::Base64Decode(ob::text::Base64Encode(input)) != input) {
        std::abort();
    }
    return 0;
}
