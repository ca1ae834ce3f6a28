#include "setup/engine_shutdown.h"

#include "obrenta/setup.h"
#include "platform/control/host_endpoint.h"
#include "platform/env/environment.h"
#include "platform/fs/write_all.h"
#include "platform/lifetime/unique_fd.h"
#include "platform/process/piped_child.h"
#include "platform/process/resolve_program.h"
#include "setup/setup_log.h"

#include <array>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace ob::setup {
namespace {

constexpr LogTag kTag = LogTag::ShutdownObrenta;
constexpr std::string_view kTitle = "Shutdown Obrenta";
constexpr std::string_view kTrouble =
    "Setup is having trouble shutting down Obrenta\nPress Retry to retry the shutdown or Cancel.";
constexpr std::string_view kMayNotUpdate = "Setup may not be able to update all Obrenta files\n";
/// The services, in the order they are stopped.
constexpr std::array<const char*, 2> kUnits = {"obrenta-proxy.service", "obrenta.service"};
/// How long one `systemctl stop` may take (a unit's own stop time-out is 90 s).
constexpr std::chrono::seconds kStopLimit{180};

void StopService(const std::string& systemctl, const char* unit) {
    const std::string program = process::FindOnSearchPath(systemctl);
    if (program.empty()) {
        return;
    }
    process::PipedChild child;
    process::SpawnRequest request;
    request.path = program;
    request.arguments = {systemctl, "stop", unit};
    request.environment = env::Block();
    if (child.Start(request) == 0) {
        // A unit that does not exist fails the stop: it is skipped, as a missing
        // service is.
        child.Finish(std::chrono::steady_clock::now() + kStopLimit);
    }
}

// Waits until the host behind `endpoint` has gone, asking the user each time the
// limit passes; false when the user gave up on it.
bool WaitUntilGone(const ShutdownEnvironment& environment, const std::string& endpoint) {
    for (;;) {
        const auto deadline = std::chrono::steady_clock::now() + environment.waitLimit;
        while (control::EndpointAlive(endpoint)) {
            if (std::chrono::steady_clock::now() >= deadline) {
                break;
            }
            std::this_thread::sleep_for(environment.checkInterval);
        }
        if (!control::EndpointAlive(endpoint)) {
            return true;
        }
        if (environment.askRetry(kTitle, kTrouble) == TroubleAnswer::Cancel) {
            environment.tell(kTitle, kMayNotUpdate);
            return false;
        }
    }
}

// The controlling terminal, for a question that needs an answer; invalid when the
// process has none.
UniqueFd OpenTerminal() {
    return UniqueFd(::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC));
}

TroubleAnswer AskOnTerminal(std::string_view title, std::string_view text) {
    UniqueFd terminal = OpenTerminal();
    if (!terminal.Valid()) {
        return TroubleAnswer::Cancel;
    }
    fs::WriteAll(terminal.Get(),
                 std::string(title) + ": " + std::string(text) + "\n[R]etry or [C]ancel? ");
    char answer = 0;
    const bool read = ::read(terminal.Get(), &answer, 1) == 1;
    for (char rest = answer; read && rest != '\n' && ::read(terminal.Get(), &rest, 1) == 1;) {
    }
    return read && (answer == 'r' || answer == 'R') ? TroubleAnswer::Retry : TroubleAnswer::Cancel;
}

void TellOnTerminal(std::string_view title, std::string_view text) {
    UniqueFd terminal = OpenTerminal();
    fs::WriteAll(terminal.Valid() ? terminal.Get() : STDERR_FILENO,
                 std::string(title) + ": " + std::string(text));
}

} // namespace

ShutdownEnvironment SystemShutdownEnvironment() {
    ShutdownEnvironment environment;
    environment.systemdRunning = [] {
        struct stat info {};
        return ::lstat("/run/systemd/system", &info) == 0 && S_ISDIR(info.st_mode);
    };
    environment.endpointDirectory = control::EndpointDirectory();
    environment.askRetry = AskOnTerminal;
    environment.tell = TellOnTerminal;
    return environment;
}

void ShutdownEngine(const ShutdownEnvironment& environment) {
    Log(kTag, "\tShutting down Obrenta...\n");
    if (environment.systemdRunning && environment.systemdRunning()) {
        for (const char* unit : kUnits) {
            StopService(environment.systemctl, unit);
        }
    }
    for (const std::string& endpoint : control::ListEndpoints(environment.endpointDirectory)) {
        std::int64_t answer = 0;
        if (control::SendEndpointRequest(endpoint, OB_SETUP_SHUTDOWN_MESSAGE,
                                         OB_SETUP_SHUTDOWN_CODE, 0, environment.answerTimeout,
                                         answer) == control::RequestOutcome::Answered &&
            answer == OB_SETUP_SHUTDOWN_CODE) {
            WaitUntilGone(environment, endpoint);
        }
    }
    Log(kTag, "\tShutdown complete.\n");
}

} // namespace ob::setup
