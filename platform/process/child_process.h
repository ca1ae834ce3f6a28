// A started child process that this process owns until it has been waited for or
// handed to the background reaper. Move-only; the owner's thread only.
#pragma once

#include "platform/export.h"

#include <functional>
#include <sys/types.h>

namespace ob::process {

class OB_PLATFORM_API ChildProcess {
public:
    ChildProcess() = default;
    /// `onExit` runs once the child has been collected (on the waiting thread, or
    /// on the reaper thread after Release()).
    explicit ChildProcess(pid_t pid, std::function<void()> onExit = {});
    /// A child neither waited for nor released is released: never a zombie.
    ~ChildProcess();
    ChildProcess(ChildProcess&& other) noexcept;
    ChildProcess& operator=(ChildProcess&& other) noexcept;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Valid() const { return pid_ > 0; }
    pid_t Pid() const { return pid_; }

    /// Waits without limit (signals do not interrupt it) and collects the child;
    /// its exit status, or 128+N when signal N ended it. -1 when there is no child.
    int Wait();

    /// Hands the child to the background reaper (child_reaper.h).
    void Release();

private:
    pid_t pid_ = 0;
    std::function<void()> onExit_;
};

} // namespace ob::process
