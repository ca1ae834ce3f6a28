// Accounts for scripts: logging an account on (a token object, handle kind 208),
// impersonating it on the calling thread, and starting a program as that account.
//
// LogonUser checks the password through PAM (platform/security/logon.h) for every
// logon type of the script library (2 interactive, 3 network, 4 batch, 5 service,
// 7 unlock, 8 network clear text, 9 new credentials; 10 and 11 too) and providers 0
// to 3; a refusal gives 0 and S_FALSE. ImpersonateLoggedOnUser takes a token object
// only: Linux has no other token a number could stand for, so any other number is
// refused (0, S_FALSE). The impersonation belongs to the runtime object that began
// it and ends with RevertToSelf, or when that object is released.
//
// CreateProcessAsUser with CP_INTERACTIVE is the account launch of "-spawn -user"
// (LaunchAsUser). Without it: unless CP_NTI, the account is logged on (type 2, or
// 11 with the network-credentials flag 0x100; a refusal ends the call with -1);
// with a token and without CP_PROFILE the program starts directly with the
// account's ids; otherwise, or when that start fails, it starts through a PAM
// session (LogonLaunch; CP_PROFILE loads the account's environment). Results: the
// exit code of a waited program, 0 when asynchronous, -1 (S_FALSE) on failure.
// Thread of the calling script.
#pragma once

#include "OBCoreLib/automation/automation_object.h"
#include "OBCoreLib/automation/handle_table.h"

#include "platform/security/logon.h"

#include <string>

namespace ob::corelib {

class TokenPayload final : public HandlePayload {
public:
    static constexpr HandleKind kKind = HandleKind::Token;
    explicit TokenPayload(security::Token token) : token_(std::move(token)) {}
    HandleKind Kind() const override { return kKind; }
    const security::Token& Token() const { return token_; }

private:
    security::Token token_;
};

/// `domain` empty: this machine.
I4Result LogonUser(const std::string& user, const std::string& domain, const std::string& password,
                   std::int32_t logonType, std::int32_t logonProvider);
/// `owner` identifies the runtime object that asks.
I4Result ImpersonateLoggedOnUser(std::int32_t tokenHandle, const void* owner);
I4Result RevertToSelf();
/// Ends the thread's impersonation if `owner` began it (its object is going away).
void EndImpersonationOf(const void* owner);

I4Result CreateProcessAsUser(std::uint32_t flags, const std::string& user,
                             const std::string& domain, const std::string& password,
                             const std::string& commandLine);

} // namespace ob::corelib
