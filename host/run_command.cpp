#include "host/run_command.h"

#include "host/check_next.h"
#include "host/console_defaults.h"
#include "host/host_session.h"
#include "host/job_set.h"
#include "host/register_command.h"
#include "host/run_jobs.h"
#include "obrenta/history.h"
#include "obrenta/obrenta.h"
#include "platform/registry/registry.h"
#include "web/web_server.h"

#include <charconv>
#include <csignal>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace ob::host {
namespace {

struct RunOptions {
    std::optional<std::string> level;
    StopConditions stop;
    std::vector<std::string> files;
    std::optional<std::string> jobFolder;
    std::optional<web::WebEndpoint> web; ///< --web ADDRESS:PORT
};

bool ParseUnsigned(std::string_view text, int base, std::uint32_t& value) {
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    return ec == std::errc() && ptr == text.data() + text.size() && !text.empty();
}

// Parses the words after "run"; false with a message on bad usage.
bool ParseRunOptions(int argc, char** argv, RunOptions& options, std::ostream& err) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view word = argv[i];
        std::uint32_t number = 0;
        if (word == "--level" || word == "--seconds") {
            if (i + 1 >= argc) {
                err << "obrenta: " << word << " needs a value\n";
                return false;
            }
            const std::string_view value = argv[++i];
            const bool isLevel = word == "--level";
            if (!ParseUnsigned(value, isLevel ? 16 : 10, number)) {
                err << "obrenta: " << word << " takes a " << (isLevel ? "hexadecimal" : "whole")
                    << " number, not '" << value << "'\n";
                return false;
            }
            if (isLevel) {
                options.level = std::string(value);
            } else {
                options.stop.seconds = number;
            }
        } else if (word == "--jobs" || word.starts_with("--jobs=")) {
            // The folder is optional: "--jobs" alone (or before an option) is the default.
            if (word != "--jobs") {
                options.jobFolder = std::string(word.substr(7));
            } else if (i + 1 < argc && argv[i + 1][0] != '-') {
                options.jobFolder = argv[++i];
            } else {
                options.jobFolder = kDefaultJobFolder;
            }
        } else if (word == "--web") {
            if (i + 1 >= argc) {
                err << "obrenta: --web needs a value\n";
                return false;
            }
            const std::string_view value = argv[++i];
            options.web = web::ParseWebAddress(value);
            if (!options.web) {
                err << "obrenta: --web takes ADDRESS:PORT or PORT, not '" << value << "'\n";
                return false;
            }
        } else if (word == "--exit-when-idle") {
            options.stop.whenIdle = true;
        } else if (word.size() > 1 && word[0] == '-' && word != "-") {
            err << "obrenta: unknown option " << word << "\n";
            return false;
        } else {
            options.files.emplace_back(word);
        }
    }
    return true;
}

void ReportStoreProblem(std::ostream& err) {
    const std::string problem = registry::LastStoreProblem();
    if (!problem.empty()) {
        err << "obrenta: settings store: " << problem << "\n";
    }
}

// SIGINT and SIGTERM are taken through a signalfd by the message loop, SIGHUP by
// the job reloader; they are blocked before any engine thread starts so that every
// thread inherits the mask.
void BlockStopSignals() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGHUP); // reloads the job files
    ::pthread_sigmask(SIG_BLOCK, &signals, nullptr);
}

// A check shows the loader's warnings (level bit 1), such as a variable named like
// a date token, whatever JR.OUTPUT_LEVEL says otherwise.
void ShowLoaderWarnings() {
    std::uint32_t level = 0;
    if (char* text = OB_GetEnv(nullptr, "JR.OUTPUT_LEVEL", ENV_TRANSIENT)) {
        ParseUnsigned(text, 16, level);
        OB_ReleaseEnvString(text);
    }
    char withWarnings[16];
    std::snprintf(withWarnings, sizeof withWarnings, "%x", level | 1u);
    OB_PutEnv(nullptr, "JR.OUTPUT_LEVEL", withWarnings, ENV_TRANSIENT);
}

// The dashboard's address: --web, else the setting web_address (section
// "Communication"); nothing when neither is given. A setting that is not an address
// is reported and leaves the dashboard off, as a bad cs_port leaves the console off.
std::optional<web::WebEndpoint> WebAddress(const RunOptions& options, std::ostream& err) {
    if (options.web) {
        return options.web;
    }
    char* value = OB_GetEnv("Communication", "web_address", ENV_PERSISTENT);
    if (value == nullptr) {
        return std::nullopt;
    }
    const std::string text = value;
    OB_ReleaseEnvString(value);
    if (text.empty()) {
        return std::nullopt;
    }
    auto endpoint = web::ParseWebAddress(text);
    if (!endpoint) {
        err << "obrenta: web dashboard disabled: web_address \"" << text
            << "\" is not ADDRESS:PORT or PORT\n";
    }
    return endpoint;
}

// Starts the dashboard on `endpoint`; null (with the reason on `err`) when it
// cannot listen.
std::unique_ptr<web::WebServer> StartDashboard(OB_SESSION session, const web::WebEndpoint& endpoint,
                                               std::ostream& err) {
    web::DashboardOptions dashboard;
    dashboard.session = session;
    auto server = std::make_unique<web::WebServer>(std::move(dashboard));
    std::string problem;
    if (!server->Start(endpoint, problem)) {
        err << "obrenta: web dashboard disabled: " << problem << "\n";
        return nullptr;
    }
    const web::WebEndpoint bound{endpoint.host, server->Port()};
    err << "obrenta: web dashboard at http://" << web::FormatWebAddress(bound) << "/\n";
    err.flush();
    return server;
}

// Loads every file; false when one failed.
bool LoadAll(HostSession& host, const std::vector<std::string>& files) {
    bool all = true;
    for (const std::string& file : files) {
        all = host.Load(file) && all;
    }
    return all;
}

} // namespace

int RunCommand(int argc, char** argv, std::ostream& out, std::ostream& err) {
    RunOptions options;
    if (!ParseRunOptions(argc, argv, options, err)) {
        err << "usage: obrenta run [--level HEX] [--seconds N] [--exit-when-idle] [--jobs [DIR]] "
               "[--web ADDRESS:PORT] [FILE...]\n";
        return 2;
    }
    BlockStopSignals();
    if (options.level) {
        OB_PutEnv(nullptr, "JR.OUTPUT_LEVEL", options.level->c_str(), ENV_TRANSIENT);
    }
    EnsureConsoleDefaults(err);
    EnsureAutomationRegistered(err);
    ReportStoreProblem(err);

    HostSession host(out, err);
    if (!host.Start()) {
        return 1;
    }
    // Every run is recorded in history.db beside the machine settings.
    OB_EnableHistory(host.Session(), nullptr);
    std::unique_ptr<web::WebServer> dashboard;
    if (const auto endpoint = WebAddress(options, err)) {
        dashboard = StartDashboard(host.Session(), *endpoint, err);
        // Asked for on the command line, a dashboard that cannot listen ends the run.
        if (!dashboard && options.web) {
            host.Stop();
            return 1;
        }
    }
    // The dashboard reads the session: it stops first.
    return RunJobs(host, JobSet(options.files, options.jobFolder), options.stop, err,
                   [&dashboard] { dashboard.reset(); });
}

int CheckCommand(int argc, char** argv, std::ostream& out, std::ostream& err) {
    CheckOptions options;
    if (!ParseCheckOptions(argc, argv, options, err)) {
        err << "usage: obrenta check [--next N [--from \"YYYY-MM-DD HH:MM:SS\"]] FILE...\n";
        return 2;
    }
    BlockStopSignals();
    ShowLoaderWarnings();
    // A check changes nothing on the machine: its session's console listens on a
    // free port given in this process's environment (read before the settings
    // store), so no default is written and a running engine's port is not needed.
    OB_PutEnv(nullptr, "cs_port", "0", ENV_TRANSIENT);
    ReportStoreProblem(err);
    HostSession host(out, err);
    if (!host.Start()) {
        return 1;
    }
    const bool loaded = LoadAll(host, options.files);
    const bool previewed = !options.next || PrintNextTimes(host.Session(), options, out, err);
    host.Stop();
    return loaded && previewed ? 0 : 1;
}

} // namespace ob::host
