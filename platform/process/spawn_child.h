// Starting a child process: the primitive under every launch. Any thread.
//
// The child gets /dev/null as standard input, output and error (no inherited
// standard handles), only descriptors 0 to 2 (every other one is closed in the
// child, whatever its close-on-exec flag), an empty signal mask and default
// signal dispositions, the environment given and the current directory of this
// process. `detach` starts a new session (setsid), so the child has no
// controlling terminal and does not receive the terminal's signals. With an
// identity, the child sets its supplementary groups, gid and uid (in that order)
// before exec (forked; this needs the privilege to change identity). After
// RaiseDescriptorLimit (descriptor_limit.h) the child gets the soft descriptor
// limit back that the process started with (forked as well). Otherwise
// posix_spawn starts it.
#pragma once

#include "platform/export.h"

#include <cstdint>
#include <string>
#include <sys/types.h>
#include <vector>

namespace ob::process {

struct ChildIdentity {
    uid_t uid = 0;
    gid_t gid = 0;
    std::vector<gid_t> groups;
};

struct SpawnRequest {
    std::string path;                     ///< the program file to execute
    std::vector<std::string> arguments;   ///< argv, argv[0] included
    std::vector<std::string> environment; ///< "NAME=value" strings
    bool detach = false;
    const ChildIdentity* identity = nullptr; ///< null: this process's identity
};

/// NULL-terminated pointers into `texts` (which must outlive them), as argv and
/// envp; for the spawning code of this library.
std::vector<char*> PointerArray(const std::vector<std::string>& texts);

/// 0 with `pid` set, else the Windows error code of the failure (the exec's errno
/// mapped with ob::error::FromErrno: 2 no such file, 5 a directory or a file
/// without execute permission, 193 not a format the system can run).
OB_PLATFORM_API std::uint32_t SpawnChild(const SpawnRequest& request, pid_t& pid);

} // namespace ob::process
