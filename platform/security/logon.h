// Logging accounts on: a PAM conversation with the service "obrenta"
// (/etc/pam.d/obrenta) checks the password (pam_authenticate) and that the account
// may log on now (pam_acct_mgmt). A token is what a logged-on account is on Linux:
// its uid, primary gid and supplementary groups. Any thread; PAM modules may sleep
// (a failed password typically waits about two seconds).
#pragma once

#include "platform/export.h"

#include <cstdint>
#include <string>
#include <sys/types.h>
#include <vector>

namespace ob::security {

// Logon types, as callers name them.
inline constexpr int LOGON_INTERACTIVE = 2;
inline constexpr int LOGON_BATCH = 4;
inline constexpr int LOGON_NEW_CREDENTIALS = 9;
inline constexpr int LOGON_NETWORK_CLEARTEXT = 11;

struct Token {
    std::string user;
    uid_t uid = 0;
    gid_t gid = 0;
    std::vector<gid_t> groups; ///< supplementary groups, the primary one included
    std::string home;
    std::string shell;
};

/// Logs `user` on with `password` (domain "" or "." is this machine; any other
/// domain is unknown). 0 on success with `token` filled, else a Windows error code:
/// 1326 unknown user or wrong password, 1331 account disabled, 1793 account expired,
/// 1907 password must change, 1385 the account may not log on this way, 1311 the
/// logon service is unavailable.
OB_PLATFORM_API std::uint32_t LogonUser(const std::string& user, const std::string& domain,
                                        const std::string& password, int logonType, Token& token);

/// The token of a local account without a password check (the account's entry in
/// the user database and its groups): 0, or 1326 when there is no such account.
OB_PLATFORM_API std::uint32_t AccountToken(const std::string& user, Token& token);

/// True when `domain` names this machine: "", ".", "localhost" or the host name
/// (without regard to case).
OB_PLATFORM_API bool IsLocalDomain(const std::string& domain);

/// Administrators: root, or members of the group named by the setting
/// `cs_admin_group` (section "Communication"; default "sudo", then "wheel").
/// `adminGroup` empty means the default.
OB_PLATFORM_API bool IsAdministrator(const Token& token, const std::string& adminGroup);

} // namespace ob::security
