// The library's exported functions. Each records the installation directory it
// was given, does its work through the pieces beside it and turns every exception
// into a failed result: nothing escapes to the installer.
#include "obrenta/setup.h"
#include "platform/fs/program_path.h"
#include "setup/engine_shutdown.h"
#include "setup/first_time_settings.h"
#include "setup/install_directory.h"
#include "setup/script_files.h"
#include "setup/setup_log.h"
#include "setup/version_patches.h"

#include <string>

namespace ob::setup {
namespace {

template <typename Work> std::int32_t Guarded(Work&& work) noexcept {
    try {
        return work() ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

// A file step on the directory given (0 at once without one).
template <typename Step> bool OnDirectory(const char* directory, Step&& step) {
    const std::string known = RememberInstallDirectory(directory);
    return !known.empty() && step(known);
}

bool Init(const char* directory) {
    return OnDirectory(directory, [](const std::string&) {
        Log(LogTag::Init, "\tReady to run setup...\n");
        WriteFirstTimeSettings();
        Log(LogTag::Init, "\tSetup complete.\n");
        return true;
    });
}

bool Backup(const char* directory) {
    return OnDirectory(directory, BackupScripts);
}

bool Restore(const char* directory) {
    return OnDirectory(directory, RestoreScripts);
}

bool ForceRemove(const char* directory) {
    return OnDirectory(directory, RemoveSampleScripts);
}

bool StopEngine() {
    ShutdownEngine(SystemShutdownEnvironment());
    return true;
}

// The folder a patch finds its scripts in: the installation directory, else the
// running program's own.
std::string PatchFolder() {
    const std::string directory = InstallDirectory();
    if (!directory.empty()) {
        return directory;
    }
    const std::string program = fs::ProgramPath();
    return program.substr(0, program.rfind('/') + 1);
}

} // namespace
} // namespace ob::setup

using namespace ob::setup;

extern "C" {

OB_SETUP_API int32_t _isBatch1(MSIHANDLE install) {
    return Guarded([&] {
        const std::string directory = ResolveInstallDirectory(install);
        ob::installer::MsiSetProperty(install, "InstallLocation", directory.c_str());
        RememberInstallDirectory(directory.c_str());
        return StopEngine() && ForceRemove(directory.c_str()) && Backup(directory.c_str());
    });
}

OB_SETUP_API int32_t _isBatch2(MSIHANDLE install) {
    return Guarded([&] {
        RememberInstallDirectory(ResolveInstallDirectory(install).c_str());
        return StopEngine();
    });
}

OB_SETUP_API int32_t _isBatch3(MSIHANDLE install) {
    return Guarded([&] {
        const std::string directory = ResolveInstallDirectory(install);
        return Init(directory.c_str()) && Restore(directory.c_str());
    });
}

OB_SETUP_API int32_t _isInit(uintptr_t, uintptr_t, uintptr_t, const char* installDirectory,
                             uintptr_t) {
    return Guarded([&] { return Init(installDirectory); });
}

OB_SETUP_API int32_t _isBackupFile(uintptr_t, uintptr_t, uintptr_t, const char* installDirectory,
                                   uintptr_t) {
    return Guarded([&] { return Backup(installDirectory); });
}

OB_SETUP_API int32_t _isRestoreFile(uintptr_t, uintptr_t, uintptr_t, const char* installDirectory,
                                    uintptr_t) {
    return Guarded([&] { return Restore(installDirectory); });
}

OB_SETUP_API int32_t _isForceRemove(uintptr_t, uintptr_t, uintptr_t, const char* installDirectory,
                                    uintptr_t) {
    return Guarded([&] { return ForceRemove(installDirectory); });
}

OB_SETUP_API int32_t _isShutdownObrenta(uintptr_t, uintptr_t, uintptr_t,
                                        const char* installDirectory, uintptr_t) {
    Guarded([&] {
        RememberInstallDirectory(installDirectory);
        return StopEngine();
    });
    return 1;
}

OB_SETUP_API int32_t OB_SetupInstallDirectory(const char* installDirectory) {
    return Guarded([&] { return !RememberInstallDirectory(installDirectory).empty(); });
}

OB_SETUP_API void Setup(int32_t logToDebugger, uintptr_t) {
    Guarded([&] {
        SetLogEcho(logToDebugger != 0);
        WriteFirstTimeSettings();
        SetLogEcho(false);
        return true;
    });
    SetLogEcho(false);
}

OB_SETUP_API int32_t Shutdown(void) {
    Guarded(StopEngine);
    return 1;
}

OB_SETUP_API int32_t Patch(const char* version) {
    return Guarded(
        [&] { return ApplyVersionPatch(version == nullptr ? "" : version, PatchFolder()) != 0; });
}

} // extern "C"
