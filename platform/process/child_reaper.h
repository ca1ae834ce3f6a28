// Reaping children that nobody waits for. Any thread.
//
// An asynchronous launch hands its child here. One background thread (started on
// first use, alive for the rest of the process) collects them all without holding
// a descriptor per child: while it has children, it looks every 50 ms with
// waitid(P_ALL, WNOHANG | WNOWAIT) for an ended child of the process, which peeks
// without collecting, and collects one of its own with waitpid on that pid. It
// never collects a child it was not given, so the children that other parts of the
// process wait for stay theirs. An ended child of someone else hides the ones
// behind it until its owner collects it; meanwhile each of the reaper's children is
// asked on its own (waitpid with WNOHANG). A SIGCHLD handler or a signalfd would
// take the process's signal disposition and mask, which belong to the host program,
// and a pidfd per child would let a thousand running children exhaust the
// descriptor limit. With no children the thread sleeps until one is handed over.
//
// An optional action runs on the reaper thread once the child has been collected
// (the account launch closes its PAM session there); it must not block for long.
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
