#include "OBCoreLib/runtime/account_methods.h"

#include "OBCoreLib/runtime/launch_methods.h"
#include "OBCoreLib/runtime/thread_identity.h"

#include "platform/process/child_process.h"
#include "platform/process/launch_program.h"
#include "platform/security/launch_as_user.h"

namespace ob::corelib {
namespace {

// The logon type the platform's check knows for a Windows logon type; -1 for a
// type the script library does not name.
int PlatformLogonType(std::int32_t type) {
    switch (type) {
    case 2:  // interactive
    case 3:  // network
    case 5:  // service
    case 7:  // unlock
    case 10: // remote interactive
        return security::LOGON_INTERACTIVE;
    case 4:
        return security::LOGON_BATCH;
    case 9:
        return security::LOGON_NEW_CREDENTIALS;
    case 8:  // network clear text
    case 11: // the network-credentials launch
        return security::LOGON_NETWORK_CLEARTEXT;
    default:
        return -1;
    }
}

constexpr std::int32_t kLastProvider = 3;

} // namespace

I4Result LogonUser(const std::string& user, const std::string& domain, const std::string& password,
                   std::int32_t logonType, std::int32_t logonProvider) {
    const int type = PlatformLogonType(logonType);
    if (type < 0 || logonProvider < 0 || logonProvider > kLastProvider) {
        return {HResult::False, 0};
    }
    security::Token token;
    if (security::LogonUser(user, domain, password, type, token) != 0) {
        return {HResult::False, 0};
    }
    const std::int32_t handle =
        HandleTable::Process().Add(std::make_shared<TokenPayload>(std::move(token)));
    return {handle != 0 ? HResult::Ok : HResult::False, handle};
}

I4Result ImpersonateLoggedOnUser(std::int32_t tokenHandle, const void* owner) {
    const auto payload = HandleTable::Process().FindAs<TokenPayload>(tokenHandle);
    if (!payload || !ImpersonateOnThread(payload->Token())) {
        return {HResult::False, 0};
    }
    SetImpersonationOwner(owner);
    return {HResult::Ok, Truth(true)};
}

I4Result RevertToSelf() {
    return {HResult::Ok, Truth(RevertThread())};
}

void EndImpersonationOf(const void* owner) {
    if (owner != nullptr && ImpersonationOwner() == owner) {
        RevertThread();
    }
}

I4Result CreateProcessAsUser(std::uint32_t flags, const std::string& user,
                             const std::string& domain, const std::string& password,
                             const std::string& commandLine) {
    const SuspendedImpersonation ownIdentity;
    process::LaunchOutcome outcome;
    if ((flags & process::CP_INTERACTIVE) != 0) {
        security::LaunchAsUser(flags, user, domain, password, commandLine, outcome);
        return LaunchResult(flags, outcome);
    }
    security::Token token;
    const bool withToken = (flags & process::CP_NTI) == 0;
    if (withToken) {
        const int type = (flags & process::CP_NET_CREDENTIALS_ONLY) != 0
                             ? security::LOGON_NETWORK_CLEARTEXT
                             : security::LOGON_INTERACTIVE;
        if (security::LogonUser(user, domain, password, type, token) != 0) {
            return {HResult::False, -1};
        }
    }
    process::ProgramCommand command;
    std::uint32_t error = 0;
    if (!process::PrepareCommand(commandLine, command, error)) {
        return {HResult::False, -1};
    }
    process::ChildProcess child;
    error = security::StartAsAccount(flags, withToken ? &token : nullptr, user, domain, password,
                                     std::move(command), child);
    if (error != 0) {
        return {HResult::False, -1};
    }
    process::FinishLaunch(flags, child, outcome);
    return LaunchResult(flags, outcome);
}

} // namespace ob::corelib
