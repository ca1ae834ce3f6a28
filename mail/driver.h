// Runs a protocol's state machine until it reports completion or an error.
//
// Each state either sends a command and moves on, or waits for a reply. After a
// command the reply is first looked for after the command's poll interval (25 ms, or
// longer after some commands) and then every 100 ms; a socket that becomes ready
// ends the wait at once. The reply must come within the channel's time-out (60000 ms
// unless set), counted from the last progress. The state changes only here, so the
// log's error line can name the previous, current and next state. One caller at a
// time; the tick source is injected so that tests can advance time.
#pragma once

#include "mail/mail_code.h"
#include "mail/mail_log.h"

#include <chrono>
#include <cstdint>
#include <functional>

namespace ob::mail {

/// Milliseconds on a monotonic clock.
using TickSource = std::function<std::chrono::milliseconds()>;

/// The real monotonic clock.
std::chrono::milliseconds SteadyTicks();

enum class WaitFor { Nothing, Readable, Writable };

/// What a state's handler tells the driver.
struct Step {
    int next = 0;                      // the state to run next
    WaitFor wait = WaitFor::Nothing;   // what the socket must become first
    std::chrono::milliseconds delay{}; // the longest wait before the next look
    bool progress = false;             // restarts the time-out (any change of state does too)
    bool finished = false;
    std::int32_t result = 0; // when finished: 0 or positive, or a negative code

    /// Run `next` at once.
    static Step Go(int next) { return {next, WaitFor::Nothing, {}, true, false, 0}; }
    /// A command went out; its reply is looked for first after `delay`.
    static Step Command(int next, std::chrono::milliseconds delay) {
        return {next, WaitFor::Readable, delay, true, false, 0};
    }
    /// Nothing yet: wait for the socket and look again in 100 ms at the latest.
    static Step Wait(int self, WaitFor what, bool progress = false) {
        return {self, what, std::chrono::milliseconds(100), progress, false, 0};
    }
    static Step Done(std::int32_t result = 0) {
        return {0, WaitFor::Nothing, {}, false, true, result};
    }
    /// Ends with a failure; `next` is the state that was to follow, for the log.
    static Step Fail(Code code, int next) {
        return {next, WaitFor::Nothing, {}, false, true, Value(code)};
    }
};

class StateMachine {
public:
    virtual ~StateMachine() = default;
    /// Handles one state.
    virtual Step Run(int state) = 0;
    /// The socket to wait on, -1 when there is none.
    virtual int Fd() const = 0;
    /// The Winsock number of the last socket failure, for the log.
    virtual std::uint32_t SocketError() const = 0;
    /// The code a time-out in `state` gives.
    virtual Code TimeoutCode(int /*state*/) const { return Code::TimedOut; }
};

class Driver {
public:
    Driver(const TickSource& ticks, const MailLog& log, int channel,
           std::chrono::milliseconds timeout)
        : ticks_(ticks), log_(log), channel_(channel), timeout_(timeout) {}

    /// Runs `machine` from `state`; the result of its last step.
    std::int32_t Run(StateMachine& machine, int state);

private:
    void LogFailure(const StateMachine& machine, std::int32_t code, int previous, int current,
                    int next) const;

    const TickSource& ticks_;
    const MailLog& log_;
    int channel_;
    std::chrono::milliseconds timeout_;
};

} // namespace ob::mail
