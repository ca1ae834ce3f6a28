#include "setup/first_time_settings.h"

#include "obrenta/mapi.h"
#include "platform/fs/library_path.h"
#include "setup/setup_log.h"
#include "variables/variable_manager.h"

#include <dlfcn.h>
#include <pwd.h>
#include <unistd.h>
#include <vector>

namespace ob::setup {
namespace {

constexpr LogTag kTag = LogTag::Init;
constexpr const char* kCommunication = "Communication";

// Writes a persistent value (null deletes it); a failed write is logged, since the
// engine would otherwise start without what the installation meant to give it.
void Write(const char* section, const char* name, const char* value) {
    if (vars::MainStore().PutEnv(section, name, value, vars::ENV_PERSISTENT) != 0) {
        Log(kTag, std::string("\tSetup Warning: Failed to write ") + section + "\\" + name + ".\n");
    }
}

std::string ComputerName() {
    char name[256] = {};
    ::gethostname(name, sizeof name - 1);
    return name;
}

// The name of the account this process acts for.
std::string CurrentUserName() {
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
        found != nullptr && found->pw_name != nullptr) {
        return found->pw_name;
    }
    return std::to_string(::geteuid());
}

} // namespace

std::string DefaultMailProfile() {
    const std::string path = fs::LibraryPathBeside(
        reinterpret_cast<const void*>(&WriteFirstTimeSettings), OB_MAPI_LIBRARY);
    // The library stays loaded, as the engine leaves it: it keeps no state to free.
    void* library = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        return {};
    }
    if (::dlsym(library, "MAPIInitialize") == nullptr) {
        Log(kTag, "\tMAPIInitialize(NULL).\n");
    }
    const auto defaultProfile =
        reinterpret_cast<LPOBMAPIGETDEFAULTPROFILE>(::dlsym(library, "OB_MapiGetDefaultProfile"));
    std::uint32_t length = 0;
    if (defaultProfile == nullptr || defaultProfile(nullptr, 0, &length) != SUCCESS_SUCCESS ||
        length == 0) {
        return {};
    }
    std::string name(length + 1, '\0');
    if (defaultProfile(name.data(), length + 1, &length) != SUCCESS_SUCCESS) {
        return {};
    }
    name.resize(std::min<std::size_t>(length, name.size() - 1));
    return name;
}

void WriteFirstTimeSettings() {
    const std::string host = ComputerName();
    Write(kCommunication, "host", host.c_str());
    Log(kTag, "\tWriting Communication host name: " + host + ".\n");
    Write(kCommunication, "px_port", nullptr);
    Write(kCommunication, "px_port", "1228");
    Log(kTag, "\tWriting Communication Proxy port number: 1228.\n");
    Write(kCommunication, "cs_port", "1229");
    Log(kTag, "\tWriting Communication Server port number: 1229.\n");

    Log(kTag, "\tWriting Default Account Name.\n");
    const std::string account = CurrentUserName();
    Write(nullptr, "ACCOUNT_NAME", account.c_str());
    Log(kTag, "\tACCOUNT_NAME=" + account + "\n");

    Log(kTag, "\tWriting Default eMail Profile.\n");
    const std::string profile = DefaultMailProfile();
    if (profile.empty()) {
        Log(kTag, "\tUnable to locate a default email profile (EMAIL_PROFILE).\n");
        return;
    }
    Write(nullptr, "EMAIL_PROFILE", profile.c_str());
    Log(kTag, "\tEMAIL_PROFILE=" + profile + "\n");
}

} // namespace ob::setup
