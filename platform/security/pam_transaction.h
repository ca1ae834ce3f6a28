// One PAM transaction with the service "obrenta" for one account, answering the
// modules' password prompts with the password given. The handle is ended (and a
// session it opened closed, its credentials deleted) when the object goes. Not
// copyable or movable (PAM keeps a pointer to it); one thread at a time.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct pam_handle;

namespace ob::security {

inline constexpr const char* kPamService = "obrenta";

class PamTransaction {
public:
    PamTransaction(const std::string& user, const std::string& password);
    ~PamTransaction();
    PamTransaction(const PamTransaction&) = delete;
    PamTransaction& operator=(const PamTransaction&) = delete;

    /// pam_authenticate, then pam_acct_mgmt: 0, or the Windows code of the refusal
    /// (1326 unknown user or wrong password, 1793 account expired, 1907 password
    /// must change, 1385 not allowed to log on, 1311 the service is unavailable).
    /// When the account check refuses a correct password without saying why, the
    /// shadow entry (readable by root) tells expiry apart. PAM's failure delay
    /// (about two seconds after a wrong password) is kept.
    std::uint32_t Authenticate();

    /// pam_setcred(ESTABLISH) and pam_open_session; 0 or the Windows code (1311).
    /// Closed again by the destructor.
    std::uint32_t OpenSession();

    /// The variables the session's modules set (pam_getenvlist), "NAME=value".
    std::vector<std::string> Environment() const;

    /// The user name PAM settled on (a module may map it); the one given otherwise.
    std::string User() const;

private:
    pam_handle* handle_ = nullptr;
    int status_ = 0;
    bool credentials_ = false;
    bool session_ = false;
    std::pair<std::string, std::string> conversation_; ///< user, password: PAM's callback data
};

} // namespace ob::security
