#include "OBCoreLib/runtime/engine_variables.h"

#include "OBCoreLib/runtime/installation_key.h"
#include "OBCoreLib/runtime/value_cipher.h"

#include "variables/variable_manager.h"

namespace ob::corelib {

TextResult GetEngineVariable(std::uint32_t flags, const std::string& name) {
    const auto stored = vars::MainStore().Get(nullptr, name.c_str(), flags & ~vars::ENV_CRYPTO);
    if (!stored) {
        return {HResult::Ok, {}};
    }
    if ((flags & vars::ENV_CRYPTO) == 0) {
        return {HResult::Ok, *stored};
    }
    const auto keyText = InstallationKeyText();
    const auto plain = keyText ? DecryptValue(*stored, *keyText) : std::nullopt;
    return {HResult::Ok, plain.value_or(std::string())};
}

I4Result SetEngineVariable(std::uint32_t flags, const std::string& name, const std::string& value) {
    std::string stored = value;
    if ((flags & vars::ENV_CRYPTO) != 0 && !value.empty()) {
        const auto keyText = InstallationKeyText();
        const auto cipher = keyText ? EncryptValue(value, *keyText) : std::nullopt;
        if (!cipher) {
            return {HResult::False, 0};
        }
        stored = *cipher;
    }
    const int rc =
        vars::MainStore().PutEnv(nullptr, name.c_str(), stored.empty() ? nullptr : stored.c_str(),
                                 flags & ~vars::ENV_CRYPTO);
    if (rc != 0) {
        return {HResult::False, 0};
    }
    return {HResult::Ok, Truth(true)};
}

} // namespace ob::corelib
