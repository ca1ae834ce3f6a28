// Reaping children that nobody waits for. Any thread.
//
// An asynchronous launch hands its child here: one background thread (started on
// first use, alive for the rest of the process) waits on each child's pidfd with
// epoll and collects it with waitpid on its own pid as soon as it ends, so no
// zombie stays behind and no one ever calls waitpid(-1), which would steal the
// children that other parts of the process wait for. The pidfd is closed when the
// child is collected. Where pidfds are unavailable the thread polls such children
// with WNOHANG every 100 ms instead. An optional action runs on the reaper thread
// once the child has been collected (the account launch closes its PAM session
// there); it must not block for long.
#pragma once

#include "platform/export.h"

#include <cstddef>
#include <functional>
#include <sys/types.h>

namespace ob::process {

/// Takes over the child `pid` (a child of this process that no one else waits for).
OB_PLATFORM_API void ReapInBackground(pid_t pid, std::function<void()> onExit = {});

/// Children handed over and not yet collected (tests and diagnostics).
OB_PLATFORM_API std::size_t PendingChildren();

} // namespace ob::process
