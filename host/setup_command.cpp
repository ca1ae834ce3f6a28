#include "host/setup_command.h"

#include "host/install_layout.h"
#include "host/install_manifest.h"
#include "obrenta/mapi.h"
#include "obrenta/setup.h"
#include "platform/env/environment.h"
#include "platform/installer/installer_session.h"
#include "platform/process/resolve_program.h"
#include "platform/registry/registry.h"

#include <charconv>
#include <optional>
#include <spawn.h>
#include <string>
#include <string_view>
#include <sys/wait.h>
#include <vector>

namespace ob::host {
namespace {

constexpr int kSuccess = 0;
constexpr int kFailure = 1;
constexpr int kBadUsage = 2;
constexpr std::string_view kPatchedVersions[] = {OB_SETUP_PATCHED_VERSIONS};

enum class Action { Install, Upgrade, Remove, Init, Shutdown, Patch };

struct SetupOptions {
    Action action = Action::Install;
    std::optional<std::string> prefix;
    std::optional<std::string> build;
    std::optional<std::string> jobs;
    std::optional<std::string> from;
    std::optional<std::string> mailAddress;
    std::optional<std::string> mailName;
    std::string version; ///< of `patch`
};

void Usage(std::ostream& err) {
    err << "usage: obrenta setup install [--prefix DIR] [--build DIR] [--jobs DIR]\n"
           "                             [--mail-address ADDRESS [--mail-name NAME]]\n"
           "       obrenta setup upgrade [--prefix DIR] [--build DIR] [--jobs DIR] "
           "[--from VERSION]\n"
           "       obrenta setup remove|init|shutdown [--prefix DIR] [--jobs DIR]\n"
           "       obrenta setup patch VERSION [--prefix DIR] [--jobs DIR]\n";
}

bool ParseAction(std::string_view word, Action& action) {
    constexpr std::pair<std::string_view, Action> kActions[] = {
        {"install", Action::Install}, {"upgrade", Action::Upgrade},   {"remove", Action::Remove},
        {"init", Action::Init},       {"shutdown", Action::Shutdown}, {"patch", Action::Patch}};
    for (const auto& [name, value] : kActions) {
        if (word == name) {
            action = value;
            return true;
        }
    }
    return false;
}

// The options each action takes besides --prefix and --jobs.
bool Allowed(Action action, std::string_view option) {
    const bool installs = action == Action::Install || action == Action::Upgrade;
    if (option == "--build") {
        return installs;
    }
    if (option == "--from") {
        return action == Action::Upgrade;
    }
    if (option == "--mail-address" || option == "--mail-name") {
        return action == Action::Install;
    }
    return option == "--prefix" || option == "--jobs";
}

bool ParseOptions(int argc, char** argv, SetupOptions& options, std::ostream& err) {
    if (argc < 2 || !ParseAction(argv[1], options.action)) {
        return false;
    }
    int i = 2;
    if (options.action == Action::Patch) {
        if (argc < 3 || argv[2][0] == '-') {
            err << "obrenta setup: patch needs a version\n";
            return false;
        }
        options.version = argv[i++];
    }
    for (; i < argc; ++i) {
        const std::string_view option = argv[i];
        if (!Allowed(options.action, option)) {
            err << "obrenta setup: " << argv[1] << " does not take " << option << "\n";
            return false;
        }
        if (i + 1 >= argc) {
            err << "obrenta setup: " << option << " needs a value\n";
            return false;
        }
        const std::string value = argv[++i];
        if (option == "--prefix" || option == "--build" || option == "--jobs") {
            if (value.empty() || value[0] != '/') {
                err << "obrenta setup: " << option << " needs an absolute path, not '" << value
                    << "'\n";
                return false;
            }
        }
        std::optional<std::string>* slot = option == "--prefix"         ? &options.prefix
                                           : option == "--build"        ? &options.build
                                           : option == "--jobs"         ? &options.jobs
                                           : option == "--from"         ? &options.from
                                           : option == "--mail-address" ? &options.mailAddress
                                                                        : &options.mailName;
        *slot = value;
    }
    if (options.mailName && !options.mailAddress) {
        err << "obrenta setup: --mail-name goes with --mail-address\n";
        return false;
    }
    return true;
}

// Dotted version numbers compared part by part; a part that is not a number
// counts as 0.
int CompareVersions(std::string_view a, std::string_view b) {
    while (!a.empty() || !b.empty()) {
        auto part = [](std::string_view& text) {
            const std::size_t dot = text.find('.');
            const std::string_view piece = text.substr(0, dot);
            text = dot == std::string_view::npos ? std::string_view() : text.substr(dot + 1);
            unsigned long value = 0;
            std::from_chars(piece.data(), piece.data() + piece.size(), value);
            return value;
        };
        const unsigned long x = part(a);
        const unsigned long y = part(b);
        if (x != y) {
            return x < y ? -1 : 1;
        }
    }
    return 0;
}

/// An installer session that is closed when the installer is done with it.
class InstallerSession {
public:
    explicit InstallerSession(const std::string& installDirectory)
        : handle_(installer::OpenSession()) {
        installer::MsiSetProperty(handle_, "INSTALLDIR", installDirectory.c_str());
    }
    ~InstallerSession() { installer::CloseSession(handle_); }
    InstallerSession(const InstallerSession&) = delete;
    InstallerSession& operator=(const InstallerSession&) = delete;
    MSIHANDLE Handle() const { return handle_; }

private:
    installer::MsiHandle handle_;
};

// Runs `cmake --install BUILD --prefix PREFIX` with this process's standard
// streams, asking the install script for the list of installed files in
// `manifest`; true when it succeeded.
bool CmakeInstall(const std::string& build, const std::string& prefix, const std::string& manifest,
                  std::ostream& out, std::ostream& err) {
    const std::string cmake = process::FindOnSearchPath("cmake");
    if (cmake.empty()) {
        err << "obrenta setup: cmake is not on the search path\n";
        return false;
    }
    const std::vector<std::string> arguments = {"cmake", "--install", build, "--prefix", prefix};
    std::vector<std::string> environment = env::Block();
    environment.push_back("OBRENTA_INSTALL_MANIFEST=" + manifest);
    auto pointers = [](const std::vector<std::string>& texts) {
        std::vector<char*> array;
        for (const std::string& text : texts) {
            array.push_back(const_cast<char*>(text.c_str()));
        }
        array.push_back(nullptr);
        return array;
    };
    std::vector<char*> argv = pointers(arguments);
    std::vector<char*> envp = pointers(environment);
    out.flush();
    err.flush();
    pid_t pid = -1;
    if (::posix_spawn(&pid, cmake.c_str(), nullptr, nullptr, argv.data(), envp.data()) != 0) {
        err << "obrenta setup: cannot run " << cmake << "\n";
        return false;
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        err << "obrenta setup: cmake --install failed\n";
        return false;
    }
    return true;
}

// The build tree to install from: --build, else the running program's own.
std::optional<std::string> BuildTree(const SetupOptions& options, std::ostream& err) {
    if (options.build) {
        return options.build;
    }
    if (auto own = OwnBuildTree()) {
        return own;
    }
    err << "obrenta setup: this program is not part of a build tree; name one with --build\n";
    return std::nullopt;
}

std::string LogPath(const InstallLayout& layout) {
    return layout.jobFolder + "/obrenta.log";
}

int Failed(const std::string& what, const InstallLayout& layout, std::ostream& err) {
    err << "obrenta setup: " << what << "; see the setup log " << LogPath(layout) << "\n";
    return kFailure;
}

// Makes a mail profile "default" with the address given the default profile, so
// that the first-time settings find it.
bool CreateMailProfile(const SetupOptions& options, std::ostream& err) {
    const std::uint32_t where =
        registry::RootWritable(registry::Root::LocalMachine) ? 0u : OB_MAPI_USER;
    const std::uint32_t result = OB_MapiCreateProfile(
        "default", options.mailAddress->c_str(),
        options.mailName ? options.mailName->c_str() : nullptr, where | OB_MAPI_SET_DEFAULT);
    if (result != SUCCESS_SUCCESS) {
        char reason[512] = {};
        OB_MapiLastError(reason, sizeof reason);
        err << "obrenta setup: the mail profile cannot be made (MAPI result " << result << ") "
            << reason << "\n";
        return false;
    }
    return true;
}

// Installs the build tree, keeping the record of what it installed, then runs the
// steps after the files: the first-time settings and the restore of the backups.
int InstallAndSetUp(const InstallerSession& session, const std::string& build,
                    const SetupOptions& options, const InstallLayout& layout, std::ostream& out,
                    std::ostream& err) {
    out << "obrenta setup: installing " << build << " into " << layout.prefix << "\n";
    if (!CmakeInstall(build, layout.prefix, layout.manifest, out, err)) {
        return kFailure;
    }
    if (!ReadManifest(layout.manifest)) {
        err << "obrenta setup: the list of installed files " << layout.manifest
            << " was not written\n";
        return kFailure;
    }
    if (options.mailAddress && !CreateMailProfile(options, err)) {
        return kFailure;
    }
    out << "obrenta setup: writing the first-time settings and restoring backed-up job files\n";
    if (_isBatch3(session.Handle()) == 0) {
        return Failed("the first-time settings or the restore failed", layout, err);
    }
    return kSuccess;
}

int Install(const SetupOptions& options, const InstallLayout& layout, std::ostream& out,
            std::ostream& err) {
    const auto build = BuildTree(options, err);
    if (!build) {
        return kFailure;
    }
    if (ReadManifest(layout.manifest)) {
        err << "obrenta setup: Obrenta is installed in " << layout.prefix
            << " already; use obrenta setup upgrade\n";
        return kFailure;
    }
    InstallerSession session(layout.jobFolder);
    out << "obrenta setup: stopping a running engine\n";
    _isBatch2(session.Handle());
    if (const int installed = InstallAndSetUp(session, *build, options, layout, out, err);
        installed != kSuccess) {
        return installed;
    }
    out << "obrenta setup: installed; job folder " << layout.jobFolder << ", setup log "
        << LogPath(layout) << "\n";
    if (layout.pamService != "/etc/pam.d/obrenta") {
        out << "obrenta setup: PAM reads /etc/pam.d only: copy " << layout.pamService
            << " there for launches as other users and console log-ons\n";
    }
    return kSuccess;
}

int Upgrade(const SetupOptions& options, const InstallLayout& layout, std::ostream& out,
            std::ostream& err) {
    const auto build = BuildTree(options, err);
    if (!build) {
        return kFailure;
    }
    InstallerSession session(layout.jobFolder);
    out << "obrenta setup: stopping the engine and backing up the job files\n";
    if (_isBatch1(session.Handle()) == 0) {
        return Failed("preparing the upgrade failed, nothing was installed", layout, err);
    }
    if (const int installed = InstallAndSetUp(session, *build, options, layout, out, err);
        installed != kSuccess) {
        return installed;
    }
    if (options.from) {
        for (const std::string_view version : kPatchedVersions) {
            if (CompareVersions(version, *options.from) > 0) {
                out << "obrenta setup: applying the patch for " << version << "\n";
                Patch(std::string(version).c_str());
            }
        }
    }
    out << "obrenta setup: upgraded; setup log " << LogPath(layout) << "\n";
    return kSuccess;
}

int Remove(const InstallLayout& layout, std::ostream& out, std::ostream& err) {
    const auto files = ReadManifest(layout.manifest);
    if (!files) {
        err << "obrenta setup: no installation in " << layout.prefix << " (" << layout.manifest
            << " is missing)\n";
        return kFailure;
    }
    InstallerSession session(layout.jobFolder);
    out << "obrenta setup: stopping a running engine\n";
    _isBatch2(session.Handle());
    const RemovalReport report = RemoveInstalledFiles(*files, layout);
    for (const std::string& file : report.failed) {
        err << "obrenta setup: cannot delete " << file << "\n";
    }
    out << "obrenta setup: removed " << report.removed.size() << " files; the job folder "
        << layout.jobFolder << " stays\n";
    return report.failed.empty() ? kSuccess : kFailure;
}

} // namespace

int RunSetupCommand(int argc, char** argv, std::ostream& out, std::ostream& err) {
    SetupOptions options;
    if (!ParseOptions(argc, argv, options, err)) {
        Usage(err);
        return kBadUsage;
    }
    std::string prefix = "/usr";
    if (options.prefix) {
        prefix = *options.prefix;
    } else if (const auto own = OwnBuildTree()) {
        prefix = BuildCacheValue(*own, "CMAKE_INSTALL_PREFIX").value_or(prefix);
    }
    InstallLayout layout = LayoutFor(prefix);
    if (options.jobs) {
        layout.jobFolder = *options.jobs;
    }
    switch (options.action) {
    case Action::Install:
        return Install(options, layout, out, err);
    case Action::Upgrade:
        return Upgrade(options, layout, out, err);
    case Action::Remove:
        return Remove(layout, out, err);
    case Action::Init:
        return _isInit(0, 0, 0, layout.jobFolder.c_str(), 0) != 0
                   ? kSuccess
                   : Failed("the first-time settings failed", layout, err);
    case Action::Shutdown:
        _isShutdownObrenta(0, 0, 0, layout.jobFolder.c_str(), 0);
        return kSuccess;
    case Action::Patch:
        OB_SetupInstallDirectory(layout.jobFolder.c_str());
        if (Patch(options.version.c_str()) == 0) {
            err << "obrenta setup: there is no patch for version " << options.version << "\n";
            return kFailure;
        }
        return kSuccess;
    }
    return kBadUsage;
}

} // namespace ob::host
