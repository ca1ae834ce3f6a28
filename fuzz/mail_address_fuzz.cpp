// Address and mailbox parsing of libobmapi: any input is accepted or refused
// without a crash; what is accepted holds no line break or control character and
// parses again to itself; a refusal points inside the input.
#include "mapi/mail_address.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

void Check(const ob::mapi::AddressParse& result, std::string_view input) {
    if (!result.ok) {
        if (result.errorAt > input.size() || result.reason.empty()) {
            std::abort();
        }
        return;
    }
    for (const char c : result.address) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            std::abort();
        }
    }
    for (const char c : result.name) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            std::abort();
        }
    }
    const ob::mapi::AddressParse again = ob::mapi::ParseAddress(result.address);
    if (!again.ok || again.address != result.address) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    Check(ob::mapi::ParseAddress(input), input);
    Check(ob::mapi::ParseRecipientAddress(input), input);
    Check(ob::mapi::ParseMailbox(input), input);
    return 0;
}
