#include "OBCoreLib/runtime/value_cipher.h"

#include "platform/lifetime/immortal.h"
#include "platform/text/hex_text.h"

#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/params.h>
#include <openssl/provider.h>

#include <array>
#include <memory>
#include <vector>

namespace ob::corelib {
namespace {

constexpr std::size_t kKeyBytes = 16;
constexpr std::size_t kDigestKeyBytes = 5;
constexpr unsigned kEffectiveKeyBits = 40;
constexpr std::size_t kBlock = 8;

// The library context with the legacy provider (RC2) and the default one (MD5),
// and the two algorithms fetched from it; built once, never torn down (scripts on
// threads that outlive main() may still use it).
struct CipherSuite {
    OSSL_LIB_CTX* context = nullptr;
    EVP_CIPHER* rc2 = nullptr;
    EVP_MD* md5 = nullptr;

    CipherSuite() {
        context = OSSL_LIB_CTX_new();
        if (context == nullptr || OSSL_PROVIDER_load(context, "legacy") == nullptr ||
            OSSL_PROVIDER_load(context, "default") == nullptr) {
            return;
        }
        rc2 = EVP_CIPHER_fetch(context, "RC2-CBC", nullptr);
        md5 = EVP_MD_fetch(context, "MD5", nullptr);
    }
    bool Ready() const { return rc2 != nullptr && md5 != nullptr; }
};

const CipherSuite& Suite() {
    static Immortal<CipherSuite> suite;
    return suite.Get();
}

struct ContextFree {
    void operator()(EVP_CIPHER_CTX* context) const { EVP_CIPHER_CTX_free(context); }
};
using CipherContext = std::unique_ptr<EVP_CIPHER_CTX, ContextFree>;

bool DeriveKey(const CipherSuite& suite, std::string_view keyText,
               std::array<unsigned char, kKeyBytes>& key) {
    const std::string reversed(keyText.rbegin(), keyText.rend());
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_Digest(reversed.data(), reversed.size(), digest, &length, suite.md5, nullptr) != 1 ||
        length < kDigestKeyBytes) {
        return false;
    }
    key.fill(0);
    std::copy(digest, digest + kDigestKeyBytes, key.begin());
    return true;
}

// Runs the cipher over `input` in one final block; nothing when any step fails
// (a wrong key shows as bad padding here).
std::optional<std::vector<unsigned char>>
Transform(std::string_view keyText, const unsigned char* input, std::size_t size, bool encrypt) {
    const CipherSuite& suite = Suite();
    std::array<unsigned char, kKeyBytes> key{};
    if (!suite.Ready() || !DeriveKey(suite, keyText, key)) {
        return std::nullopt;
    }
    CipherContext context(EVP_CIPHER_CTX_new());
    unsigned int bits = kEffectiveKeyBits;
    const OSSL_PARAM params[] = {
        OSSL_PARAM_construct_uint(OSSL_CIPHER_PARAM_RC2_KEYBITS, &bits),
        OSSL_PARAM_construct_end(),
    };
    const std::array<unsigned char, kBlock> iv{};
    std::vector<unsigned char> output(size + kBlock);
    int written = 0;
    int last = 0;
    if (!context ||
        EVP_CipherInit_ex2(context.get(), suite.rc2, nullptr, nullptr, encrypt ? 1 : 0, params) !=
            1 ||
        EVP_CipherInit_ex2(context.get(), nullptr, key.data(), iv.data(), encrypt ? 1 : 0,
                           nullptr) != 1 ||
        EVP_CipherUpdate(context.get(), output.data(), &written, input, static_cast<int>(size)) !=
            1 ||
        EVP_CipherFinal_ex(context.get(), output.data() + written, &last) != 1) {
        return std::nullopt;
    }
    output.resize(static_cast<std::size_t>(written + last));
    return output;
}

} // namespace

std::optional<std::string> EncryptValue(std::string_view plain, std::string_view keyText) {
    if (plain.empty()) {
        return std::string();
    }
    const auto cipher = Transform(keyText, reinterpret_cast<const unsigned char*>(plain.data()),
                                  plain.size(), true);
    if (!cipher) {
        return std::nullopt;
    }
    return text::UpperHex(cipher->data(), cipher->size());
}

std::optional<std::string> DecryptValue(std::string_view stored, std::string_view keyText) {
    if (stored.empty()) {
        return std::string();
    }
    if (stored.size() % (2 * kBlock) != 0) {
        return std::nullopt;
    }
    std::vector<unsigned char> cipher(stored.size() / 2);
    for (std::size_t i = 0; i < cipher.size(); ++i) {
        const int high = text::HexDigitValue(stored[2 * i]);
        const int low = text::HexDigitValue(stored[2 * i + 1]);
        if (high < 0 || low < 0) {
            return std::nullopt;
        }
        cipher[i] = static_cast<unsigned char>(high * 16 + low);
    }
    const auto plain = Transform(keyText, cipher.data(), cipher.size(), false);
    if (!plain) {
        return std::nullopt;
    }
    return std::string(plain->begin(), plain->end());
}

} // namespace ob::corelib
