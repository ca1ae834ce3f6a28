// Stopping a running engine before its files are replaced (`_isShutdownObrenta`).
//
// Where systemd runs, the services "obrenta-proxy.service" and "obrenta.service"
// are stopped, in that order, with `systemctl stop` (a unit that does not exist is
// skipped). Then every host program that listens in the endpoint folder is asked
// to shut down ("WM_SHUTDOWN" with 204); one that answers 204 is shutting down and
// is waited for, checking every second, until its endpoint is gone. When that takes
// longer than the limit (60 seconds), the user is asked whether to wait again
// (Retry) or to go on without it (Cancel), after which they are told "Setup may not
// be able to update all Obrenta files". Hosts that do not answer 204 are left
// alone. The steps are logged under "_isShutdownObrenta". One call at a time.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <string_view>

namespace ob::setup {

/// The user's answer when a host takes too long to shut down.
enum class TroubleAnswer { Retry, Cancel };

/// Everything the shut-down depends on from outside, so that tests can stand in.
struct ShutdownEnvironment {
    /// The program that talks to systemd (searched for on PATH).
    std::string systemctl = "systemctl";
    /// True when systemd manages this machine's services.
    std::function<bool()> systemdRunning;
    /// The folder whose host endpoints are asked.
    std::string endpointDirectory;
    /// How long a host may take to answer the request.
    std::chrono::milliseconds answerTimeout{5000};
    /// How long a host that is shutting down is waited for before the user is asked.
    std::chrono::milliseconds waitLimit{60000};
    std::chrono::milliseconds checkInterval{1000};
    /// Asks the title and text given; Cancel when nobody can answer.
    std::function<TroubleAnswer(std::string_view title, std::string_view text)> askRetry;
    /// Tells the user the title and text given.
    std::function<void(std::string_view title, std::string_view text)> tell;
};

/// The machine's own: systemd when /run/systemd/system exists, the endpoint
/// folder of this user, and the controlling terminal for questions (standard
/// error for messages, and Cancel, when there is none).
ShutdownEnvironment SystemShutdownEnvironment();

void ShutdownEngine(const ShutdownEnvironment& environment);

} // namespace ob::setup
