#include "OBCoreLib/runtime/installation_key.h"

#include "platform/registry/registry.h"
#include "platform/text/hex_text.h"

#include <sys/random.h>

#include <array>

namespace ob::corelib {
namespace {

constexpr const char* kProductKey = "software\\Varndel Software\\Obrenta";
constexpr std::size_t kRandomBytes = 32;

std::optional<std::string> ReadKey(registry::Root root) {
    registry::Key key;
    std::string text;
    if (registry::Key::Open(root, kProductKey, registry::KEY_READ, key) !=
            registry::ERROR_SUCCESS ||
        key.QueryValue(kInstallationKeyValue, text) != registry::ERROR_SUCCESS || text.empty()) {
        return std::nullopt;
    }
    return text;
}

std::optional<std::string> NewKeyText() {
    std::array<unsigned char, kRandomBytes> bytes{};
    std::size_t filled = 0;
    while (filled < bytes.size()) {
        const ssize_t got = ::getrandom(bytes.data() + filled, bytes.size() - filled, 0);
        if (got <= 0) {
            return std::nullopt;
        }
        filled += static_cast<std::size_t>(got);
    }
    return text::UpperHex(bytes.data(), bytes.size());
}

} // namespace

std::optional<std::string> InstallationKeyText() {
    if (auto text = ReadKey(registry::Root::CurrentUser)) {
        return text;
    }
    if (auto text = ReadKey(registry::Root::LocalMachine)) {
        return text;
    }
    const auto fresh = NewKeyText();
    if (!fresh) {
        return std::nullopt;
    }
    const registry::Root root = registry::RootWritable(registry::Root::LocalMachine)
                                    ? registry::Root::LocalMachine
                                    : registry::Root::CurrentUser;
    registry::Key key;
    if (registry::Key::Create(root, kProductKey, registry::KEY_WRITE, key) !=
            registry::ERROR_SUCCESS ||
        key.SetValue(kInstallationKeyValue, *fresh) != registry::ERROR_SUCCESS) {
        return std::nullopt;
    }
    return ReadKey(root);
}

} // namespace ob::corelib
