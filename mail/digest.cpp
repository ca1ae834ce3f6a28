#include "mail/digest.h"

#include <openssl/evp.h>
#include <openssl/hmac.h>

#include <array>

namespace ob::mail {

std::string LowerHex(std::string_view bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(bytes.size() * 2);
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        hex += kDigits[byte >> 4];
        hex += kDigits[byte & 15];
    }
    return hex;
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
