#include "platform/security/logon.h"

#include "platform/security/pam_transaction.h"
#include "platform/text/ascii_case.h"

#include <algorithm>
#include <climits>
#include <grp.h>
#include <pwd.h>
#include <unistd.h>

namespace ob::security {
namespace {

constexpr std::uint32_t ERROR_INVALID_PARAMETER = 87;
constexpr std::uint32_t ERROR_LOGON_FAILURE = 1326;

// The gid of a group, or nothing.
bool GroupId(const std::string& name, gid_t& gid) {
    std::vector<char> buffer(16384);
    group entry{};
    group* found = nullptr;
    for (;;) {
        const int err = ::getgrnam_r(name.c_str(), &entry, buffer.data(), buffer.size(), &found);
        if (err == ERANGE && buffer.size() < (1u << 22)) {
            buffer.resize(buffer.size() * 2);
            continue;
        }
        if (err != 0 || found == nullptr) {
            return false;
        }
        gid = entry.gr_gid;
        return true;
    }
}

} // namespace

std::uint32_t AccountToken(const std::string& user, Token& token) {
    if (user.empty() || user.find('\0') != std::string::npos) {
        return ERROR_LOGON_FAILURE;
    }
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    for (;;) {
        const int err = ::getpwnam_r(user.c_str(), &entry, buffer.data(), buffer.size(), &found);
        if (err == ERANGE && buffer.size() < (1u << 22)) {
            buffer.resize(buffer.size() * 2);
            continue;
        }
        if (err != 0 || found == nullptr) {
            return ERROR_LOGON_FAILURE;
        }
        break;
    }
    Token result;
    result.user = entry.pw_name;
    result.uid = entry.pw_uid;
    result.gid = entry.pw_gid;
    result.home = entry.pw_dir != nullptr ? entry.pw_dir : "";
    result.shell = entry.pw_shell != nullptr ? entry.pw_shell : "";
    int count = 64;
    for (;;) {
        result.groups.assign(static_cast<std::size_t>(count), 0);
        int wanted = count;
        if (::getgrouplist(result.user.c_str(), result.gid, result.groups.data(), &wanted) >= 0) {
            result.groups.resize(static_cast<std::size_t>(wanted));
            break;
        }
        if (wanted <= count || wanted > 65536) {
            result.groups.assign(1, result.gid);
            break;
        }
        count = wanted;
    }
    token = std::move(result);
    return 0;
}

bool IsLocalDomain(const std::string& domain) {
    if (domain.empty() || domain == "." || text::EqualsIgnoringCase(domain, "localhost")) {
        return true;
    }
    char host[HOST_NAME_MAX + 1] = {};
    if (::gethostname(host, sizeof host - 1) != 0) {
        return false;
    }
    const std::string name(host);
    const std::string shortName = name.substr(0, name.find('.'));
    return text::EqualsIgnoringCase(domain, name) || text::EqualsIgnoringCase(domain, shortName);
}

std::uint32_t LogonUser(const std::string& user, const std::string& domain,
                        const std::string& password, int logonType, Token& token) {
    if (logonType != LOGON_INTERACTIVE && logonType != LOGON_BATCH &&
        logonType != LOGON_NEW_CREDENTIALS && logonType != LOGON_NETWORK_CLEARTEXT) {
        return ERROR_INVALID_PARAMETER;
    }
    if (!IsLocalDomain(domain)) {
        return ERROR_LOGON_FAILURE; // no other machine's accounts are known here
    }
    PamTransaction pam(user, password);
    const std::uint32_t refused = pam.Authenticate();
    if (refused != 0) {
        return refused;
    }
    return AccountToken(pam.User(), token);
}

bool IsAdministrator(const Token& token, const std::string& adminGroup) {
    if (token.uid == 0) {
        return true;
    }
    gid_t gid = 0;
    bool known = false;
    if (!adminGroup.empty()) {
        known = GroupId(adminGroup, gid);
    } else {
        known = GroupId("sudo", gid) || GroupId("wheel", gid);
    }
    return known && (token.gid == gid || std::find(token.groups.begin(), token.groups.end(), gid) !=
                                             token.groups.end());
}

} // namespace ob::security
