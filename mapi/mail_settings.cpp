#include "mapi/mail_settings.h"

#include "mapi/mail_address.h"
#include "obrenta/mapi.h"
#include "platform/registry/registry.h"
#include "platform/text/ascii_case.h"

#include <algorithm>
#include <charconv>

namespace ob::mapi {
namespace {

using registry::Key;
using registry::Root;

constexpr std::string_view kProfilesKey = "Profiles";
constexpr long kMaxTimeoutSeconds = 3600;

constexpr Root kLookupOrder[] = {Root::CurrentUser, Root::LocalMachine};

std::optional<std::string> ReadValue(std::string_view name) {
    for (const Root root : kLookupOrder) {
        Key key;
        std::string data;
        if (Key::Open(root, kMapiKey, registry::KEY_READ, key) == registry::ERROR_SUCCESS &&
            key.QueryValue(name, data) == registry::ERROR_SUCCESS && !data.empty()) {
            return data;
        }
    }
    return std::nullopt;
}

std::vector<std::string> SplitWords(std::string_view text) {
    std::vector<std::string> words;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t start = text.find_first_not_of(" \t", at);
        if (start == std::string_view::npos) {
            break;
        }
        const std::size_t end = std::min(text.find_first_of(" \t", start), text.size());
        words.emplace_back(text.substr(start, end - start));
        at = end;
    }
    return words;
}

std::string ProfilePath(std::string_view name) {
    return std::string(kMapiKey) + "\\" + std::string(kProfilesKey) + "\\" + std::string(name);
}

bool HasControl(std::string_view text) {
    for (const char c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            return true;
        }
    }
    return false;
}

MapiResult CheckProfileName(std::string_view name) {
    if (name.empty() || name.size() > kMaxProfileName ||
        name.find('\\') != std::string_view::npos || HasControl(name)) {
        return Failure(MAPI_E_LOGON_FAILURE, "\"" + std::string(name) +
                                                 "\" cannot be a mail profile name (1 to 64 "
                                                 "characters, no back slash or control "
                                                 "character).");
    }
    return Success();
}

MapiResult StoreFailure(long error) {
    if (error == registry::ERROR_ACCESS_DENIED) {
        return Failure(MAPI_E_ACCESS_DENIED, "The settings store is not writable.");
    }
    return Failure(MAPI_E_FAILURE, "The settings store could not be written (error " +
                                       std::to_string(error) + ").");
}

Root RootOf(bool user) {
    return user ? Root::CurrentUser : Root::LocalMachine;
}

} // namespace

SendmailSettings ReadSendmailSettings() {
    SendmailSettings settings;
    settings.program = ReadValue("sendmail").value_or(std::string(kDefaultSendmail));
    settings.options = SplitWords(ReadValue("sendmail_options").value_or(""));
    if (const auto timeout = ReadValue("timeout")) {
        long seconds = 0;
        const auto [end, error] =
            std::from_chars(timeout->data(), timeout->data() + timeout->size(), seconds);
        if (error == std::errc() && end == timeout->data() + timeout->size() && seconds > 0 &&
            seconds <= kMaxTimeoutSeconds) {
            settings.timeout = std::chrono::seconds(seconds);
        }
    }
    return settings;
}

MapiResult ReadProfile(std::string_view requested, Profile& profile) {
    std::string name(requested);
    if (name.empty()) {
        const auto fallback = ReadValue("default_profile");
        if (!fallback) {
            profile = Profile{};
            return Success();
        }
        name = *fallback;
    }
    if (MapiResult check = CheckProfileName(name); !check.Ok()) {
        return check;
    }
    for (const Root root : kLookupOrder) {
        Key key;
        if (Key::Open(root, ProfilePath(name), registry::KEY_READ, key) !=
            registry::ERROR_SUCCESS) {
            continue;
        }
        Profile found;
        found.name = name;
        key.QueryValue("address", found.address);
        key.QueryValue("name", found.displayName);
        if (!found.address.empty()) {
            const AddressParse parsed = ParseAddress(found.address);
            if (!parsed.ok) {
                return Failure(MAPI_E_LOGON_FAILURE, "The sender address of the mail profile \"" +
                                                         name + "\" is not an address (" +
                                                         parsed.reason + ").");
            }
            found.address = parsed.address;
        }
        if (HasControl(found.displayName)) {
            found.displayName.clear();
        }
        profile = std::move(found);
        return Success();
    }
    return Failure(MAPI_E_LOGON_FAILURE, "There is no mail profile named \"" + name + "\".");
}

MapiResult WriteProfile(const Profile& profile, bool user, bool makeDefault) {
    if (MapiResult check = CheckProfileName(profile.name); !check.Ok()) {
        return check;
    }
    std::string address;
    if (!profile.address.empty()) {
        const AddressParse parsed = ParseAddress(profile.address);
        if (!parsed.ok) {
            return Failure(MAPI_E_INVALID_RECIPS, "\"" + profile.address +
                                                      "\" is not a mail address (" + parsed.reason +
                                                      ").");
        }
        address = parsed.address;
    }
    if (HasControl(profile.displayName)) {
        return Failure(MAPI_E_INVALID_RECIPS, "A sender name may not hold control characters.");
    }
    Key key;
    long error =
        Key::Create(RootOf(user), ProfilePath(profile.name), registry::KEY_READ_WRITE, key);
    if (error == registry::ERROR_SUCCESS) {
        error = key.SetValue("address", address);
    }
    if (error == registry::ERROR_SUCCESS) {
        error = key.SetValue("name", profile.displayName);
    }
    if (error != registry::ERROR_SUCCESS) {
        return StoreFailure(error);
    }
    return makeDefault ? SetDefaultProfile(profile.name, user) : Success();
}

MapiResult SetDefaultProfile(std::string_view name, bool user) {
    if (MapiResult check = CheckProfileName(name); !check.Ok()) {
        return check;
    }
    Profile existing;
    if (MapiResult found = ReadProfile(name, existing); !found.Ok()) {
        return found;
    }
    Key key;
    long error = Key::Create(RootOf(user), kMapiKey, registry::KEY_READ_WRITE, key);
    if (error == registry::ERROR_SUCCESS) {
        error = key.SetValue("default_profile", existing.name);
    }
    return error == registry::ERROR_SUCCESS ? Success() : StoreFailure(error);
}

MapiResult DeleteProfile(std::string_view name, bool user) {
    if (MapiResult check = CheckProfileName(name); !check.Ok()) {
        return check;
    }
    Key key;
    long error = Key::Open(RootOf(user), kMapiKey, registry::KEY_READ_WRITE, key);
    if (error == registry::ERROR_SUCCESS) {
        error = key.DeleteSubKey(std::string(kProfilesKey) + "\\" + std::string(name));
    }
    if (error == registry::ERROR_FILE_NOT_FOUND) {
        return Failure(MAPI_E_LOGON_FAILURE,
                       "There is no mail profile named \"" + std::string(name) + "\".");
    }
    if (error != registry::ERROR_SUCCESS) {
        return StoreFailure(error);
    }
    std::string current;
    if (key.QueryValue("default_profile", current) == registry::ERROR_SUCCESS &&
        text::EqualsIgnoringCase(current, name)) {
        error = key.DeleteValue("default_profile");
        if (error != registry::ERROR_SUCCESS) {
            return StoreFailure(error);
        }
    }
    return Success();
}

} // namespace ob::mapi
