#include "platform/security/launch_as_user.h"

#include "platform/env/environment.h"
#include "platform/process/child_process.h"
#include "platform/process/launch_program.h"
#include "platform/process/spawn_child.h"
#include "platform/security/desktop_access.h"
#include "platform/security/logon.h"
#include "platform/security/logon_launch.h"

namespace ob::security {

std::uint32_t StartAsAccount(std::uint32_t flags, const Token* token, const std::string& user,
                             const std::string& domain, const std::string& password,
                             process::ProgramCommand command, process::ChildProcess& child) {
    using namespace process;
    const bool detach = (flags & CP_DETACH) != 0;
    std::uint32_t error = 1; // not started yet
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
        LogonLaunchRequest request;
        request.domain = domain;
        request.user = user;
        request.password = password;
        request.logonFlags =
            ((flags & CP_PROFILE) != 0 ? LOGON_WITH_PROFILE : 0) |
            ((flags & CP_NET_CREDENTIALS_ONLY) != 0 ? LOGON_NETCREDENTIALS_ONLY : 0);
        request.application = command.application;
        request.arguments = std::move(command.arguments);
        request.detach = detach;
        error = LogonLaunch(request, child);
    }
    return error;
}

void LaunchAsUser(std::uint32_t flags, const std::string& user, const std::string& domain,
                  const std::string& password, const std::string& commandLine,
                  process::LaunchOutcome& outcome) {
    using namespace process;
    if ((flags & CP_NTI) != 0) {
        outcome.success = false;
        return;
    }
    ProgramCommand command;
    std::uint32_t error = 0;
    if (!PrepareCommand(commandLine, command, error)) {
        if (error != 0) {
            outcome.Fail(error);
        } else {
            outcome.success = false;
        }
        return;
    }
    const bool networkOnly = (flags & CP_NET_CREDENTIALS_ONLY) != 0;
    Token token;
    error = LogonUser(user, domain, password,
                      networkOnly ? LOGON_NETWORK_CLEARTEXT : LOGON_INTERACTIVE, token);
    if (error != 0) {
        outcome.Fail(error);
        return;
    }
    GrantDesktopAccess(token.user);

    ChildProcess child;
    error = StartAsAccount(flags, &token, user, domain, password, std::move(command), child);
    if (error != 0) {
        outcome.Fail(error);
        return;
    }
    FinishLaunch(flags, child, outcome);
}

} // namespace ob::security
