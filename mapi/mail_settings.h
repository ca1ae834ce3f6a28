// The library's settings and profiles in the settings store, under
//     Software\Varndel Software\Obrenta\MAPI
// of HKEY_CURRENT_USER, then HKEY_LOCAL_MACHINE: a value the user's store has wins
// over the machine's, and a profile the user's store has wins as a whole. Values:
// `sendmail`, `sendmail_options`, `timeout`, `default_profile`; profiles are the
// subkeys Profiles\NAME with `address` and `name`. Any thread; everything is read
// again on each use, so changes apply to the next message.
#pragma once

#include "mapi/mapi_result.h"

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ob::mapi {

inline constexpr std::string_view kMapiKey = "Software\\Varndel Software\\Obrenta\\MAPI";
inline constexpr std::string_view kDefaultSendmail = "/usr/sbin/sendmail";
inline constexpr std::chrono::seconds kDefaultTimeout{120};
inline constexpr std::size_t kMaxProfileName = 64;

/// Who sends: the profile a session was opened on.
struct Profile {
    std::string name;    ///< "" for the session without a configured profile
    std::string address; ///< sender address; "" leaves the sender to the mail program
    std::string displayName;
};

/// How messages are handed over.
struct SendmailSettings {
    std::string program;
    std::vector<std::string> options; ///< words after "-t -i"
    std::chrono::seconds timeout = kDefaultTimeout;
};

SendmailSettings ReadSendmailSettings();

/// The profile NAME, or the default one for "" (the profile-less session when no
/// default is set). MAPI_E_LOGON_FAILURE when it does not exist.
MapiResult ReadProfile(std::string_view name, Profile& profile);

/// Profile administration (OB_MapiCreateProfile and its companions); `user` picks
/// HKEY_CURRENT_USER over HKEY_LOCAL_MACHINE.
MapiResult WriteProfile(const Profile& profile, bool user, bool makeDefault);
MapiResult SetDefaultProfile(std::string_view name, bool user);
MapiResult DeleteProfile(std::string_view name, bool user);

} // namespace ob::mapi
