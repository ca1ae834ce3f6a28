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

#include <charconv>
#include <csignal>
#include <cstdio>
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
               "[FILE...]\n";
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
    return RunJobs(host, JobSet(options.files, options.jobFolder), options.stop, err);
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
