#include "platform/security/logon_launch.h"

#include "platform/env/environment.h"
#include "platform/process/spawn_child.h"
#include "platform/security/logon.h"
#include "platform/security/pam_transaction.h"
#include "platform/text/ascii_case.h"

#include <memory>

namespace ob::security {
namespace {

constexpr std::uint32_t ERROR_LOGON_FAILURE = 1326;

// Sets NAME=value in a "NAME=value" list, replacing an entry of the same name
// (names compared without regard to case, as the environment table does).
void Put(std::vector<std::string>& environment, const std::string& entry) {
    const std::size_t equals = entry.find('=', 1);
    if (equals == std::string::npos) {
        return;
    }
    const std::string_view name(entry.data(), equals + 1);
    for (std::string& existing : environment) {
        if (existing.size() > equals &&
            text::EqualsIgnoringCase(std::string_view(existing).substr(0, equals + 1), name)) {
            existing = entry;
            return;
        }
    }
    environment.push_back(entry);
}

} // namespace

std::uint32_t LogonLaunch(const LogonLaunchRequest& request, process::ChildProcess& child) {
    if (!IsLocalDomain(request.domain)) {
        return ERROR_LOGON_FAILURE;
    }
    auto pam = std::make_shared<PamTransaction>(request.user, request.password);
    std::uint32_t error = pam->Authenticate();
    Token token;
    if (error == 0) {
        error = AccountToken(pam->User(), token);
    }
    std::vector<std::string> environment = env::Block();
    if (error == 0 && (request.logonFlags & LOGON_WITH_PROFILE) != 0) {
        error = pam->OpenSession();
        if (error == 0) {
            Put(environment, "HOME=" + token.home);
            Put(environment, "USER=" + token.user);
            Put(environment, "LOGNAME=" + token.user);
            Put(environment, "SHELL=" + token.shell);
            for (const std::string& entry : pam->Environment()) {
                Put(environment, entry);
            }
        }
    }
    if (error != 0) {
        return error;
    }
    process::ChildIdentity identity{token.uid, token.gid, token.groups};
    process::SpawnRequest spawn;
    spawn.path = request.application;
    spawn.arguments = request.arguments;
    spawn.environment = std::move(environment);
    spawn.detach = request.detach;
    spawn.identity = &identity;
    pid_t pid = 0;
    error = process::SpawnChild(spawn, pid);
    if (error != 0) {
        return error;
    }
    // The PAM session stays open while the child runs; it closes when the child
    // has been collected and the last reference goes.
    child = process::ChildProcess(pid, [pam]() mutable { pam.reset(); });
    return 0;
}

} // namespace ob::security
