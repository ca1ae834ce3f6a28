#include "platform/security/desktop_access.h"

#include "platform/env/environment.h"
#include "platform/process/child_process.h"
#include "platform/process/resolve_program.h"
#include "platform/process/spawn_child.h"

namespace ob::security {

bool GrantDesktopAccess(const std::string& user) {
    const std::string display = env::Get("DISPLAY").value_or("");
    if (display.empty() || user.empty()) {
        return false;
    }
    std::string xhost = "xhost";
    if (!process::ResolveProgram(xhost)) {
        return false;
    }
    process::SpawnRequest request;
    request.path = xhost;
    request.arguments = {"xhost", "+si:localuser:" + user};
    request.environment = env::Block();
    pid_t pid = 0;
    if (process::SpawnChild(request, pid) != 0) {
        return false;
    }
    process::ChildProcess child(pid);
    return child.Wait() == 0;
}

} // namespace ob::security
