#include "mail/digest.h"

#include "platform/text/hex_text.h"

#include <openssl/evp.h>
#include <openssl/hmac.h>

#include <array>

namespace ob::mail {

std::string LowerHex(std::string_view bytes) {
    return text::LowerHex(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
}

std::string Md5Hex(std::string_view data) {
    std::array<unsigned char, EVP_MAX_MD_SIZE> digest{};
    unsigned int length = 0;
    if (EVP_Digest(data.data(), data.size(), digest.data(), &length, EVP_md5(), nullptr) != 1) {
        return {};
    }
    return LowerHex({reinterpret_cast<const char*>(digest.data()), length});
}

std::string HmacMd5Hex(std::string_view key, std::string_view data) {
    std::array<unsigned char, EVP_MAX_MD_SIZE> digest{};
    unsigned int length = 0;
    if (HMAC(EVP_md5(), key.data(), static_cast<int>(key.size()),
             reinterpret_cast<const unsigned char*>(data.data()), data.size(), digest.data(),
             &length) == nullptr) {
        return {};
    }
    return LowerHex({reinterpret_cast<const char*>(digest.data()), length});
}

} // namespace ob::mail
