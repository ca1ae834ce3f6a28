#include "mail/driver.h"

#include <algorithm>
#include <cerrno>
#include <poll.h>

namespace ob::mail {

std::chrono::milliseconds SteadyTicks() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
}

std::int32_t Driver::Run(StateMachine& machine, int state) {
    int previous = state;
    auto deadline = ticks_() + timeout_;
    for (;;) {
        const Step step = machine.Run(state);
        if (step.finished) {
            if (step.result < 0) {
                LogFailure(machine, step.result, previous, state, step.next);
            }
            return step.result;
        }
        const auto now = ticks_();
        if (step.progress || step.next != state) {
            deadline = now + timeout_;
        }
        if (step.next != state) {
            previous = state;
            state = step.next;
        }
        if (step.wait == WaitFor::Nothing) {
            continue;
        }
        if (now >= deadline) {
            const std::int32_t code = Value(machine.TimeoutCode(state));
            LogFailure(machine, code, previous, state, state);
            return code;
        }
        const auto slice = std::min(step.delay, deadline - now);
        pollfd watch{machine.Fd(),
                     static_cast<short>(step.wait == WaitFor::Readable ? POLLIN : POLLOUT), 0};
        if (::poll(&watch, watch.fd >= 0 ? 1 : 0, static_cast<int>(slice.count())) < 0 &&
            errno != EINTR) {
            const std::int32_t code = Value(FromWsa(10022));
            LogFailure(machine, code, previous, state, state);
            return code;
        }
    }
}

void Driver::LogFailure(const StateMachine& machine, std::int32_t code, int previous, int current,
                        int next) const {
    log_.Printf("ERROR(%ld): SockCode=%d SeeCode=%d PrevState=%d ThisState=%d NextState=%d",
                static_cast<long>(channel_), static_cast<int>(machine.SocketError()),
                static_cast<int>(code), previous, current, next);
}

} // namespace ob::mail
