#include "OBCoreLib/runtime/account_methods.h"

#include "OBCoreLib/runtime/launch_methods.h"
#include "OBCoreLib/runtime/thread_identity.h"

#include "platform/env/environment.h"
#include "platform/process/child_process.h"
#include "platform/process/launch_program.h"
#include "platform/process/spawn_child.h"
#include "platform/security/launch_as_user.h"
#include "platform/security/logon_launch.h"

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

// Starts the command as the account: directly with its ids when there is a token
// and no profile is wanted, else (or when that fails) through a PAM session.
void StartAsAccount(std::uint32_t flags, const security::Token* token, const std::string& user,
                    const std::string& domain, const std::string& password,
                    const std::string& commandLine, process::LaunchOutcome& outcome) {
    using namespace process;
    ProgramCommand command;
    std::uint32_t error = 0;
    if (!PrepareCommand(commandLine, command, error)) {
        outcome.Fail(error != 0 ? error : 87);
        return;
    }
    const bool detach = (flags & CP_DETACH) != 0;
    ChildProcess child;
    error = 1; // not started yet
    if (token != nullptr && (flags & CP_PROFILE) == 0) {
        const ChildIdentity identity{token->uid, token->gid, token->groups};
        SpawnRequest request;
        request.path = command.application;
        request.arguments = command.arguments;
        request.environment = env::Block();
        request.detach = detach;
        request.identity = &identity;
        pid_t pid = 0;
        error = SpawnChild(request, pid);
        if (error == 0) {
            child = ChildProcess(pid);
        }
    }
    if (error != 0) {
        security::LogonLaunchRequest request;
        request.domain = domain;
        request.user = user;
        request.password = password;
        request.logonFlags =
            ((flags & CP_PROFILE) != 0 ? security::LOGON_WITH_PROFILE : 0) |
            ((flags & CP_NET_CREDENTIALS_ONLY) != 0 ? security::LOGON_NETCREDENTIALS_ONLY : 0);
        request.application = command.application;
        request.arguments = std::move(command.arguments);
        request.detach = detach;
        error = security::LogonLaunch(request, child);
    }
    if (error != 0) {
        outcome.Fail(error);
        return;
    }
    FinishLaunch(flags, child, outcome);
}

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
    StartAsAccount(flags, withToken ? &token : nullptr, user, domain, password, commandLine,
                   outcome);
    return LaunchResult(flags, outcome);
}

} // namespace ob::corelib
