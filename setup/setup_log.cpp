#include "setup/setup_log.h"

#include "platform/fs/program_path.h"
#include "platform/fs/write_all.h"
#include "platform/lifetime/unique_fd.h"
#include "setup/install_directory.h"

#include <atomic>
#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace ob::setup {
namespace {

std::atomic<bool> g_echo{false};

} // namespace

std::string_view TagName(LogTag tag) {
    switch (tag) {
    case LogTag::Init:
        return "_isInit";
    case LogTag::BackupFile:
        return "_isBackupFile";
    case LogTag::RestoreFile:
        return "_isRestoreFile";
    case LogTag::ForceRemove:
        return "_isForceRemove";
    case LogTag::ShutdownObrenta:
        return "_isShutdownObrenta";
    case LogTag::Patch:
        return "_isPatch";
    }
    return "_isInit";
}

std::string LogFilePath() {
    const std::string directory = InstallDirectory();
    if (!directory.empty()) {
        return InDirectory(directory, "obrenta.log");
    }
    std::string program = fs::ProgramPath();
    const std::size_t slash = program.rfind('/');
    const std::size_t dot = program.rfind('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) {
        program.resize(dot);
    }
    return program + ".log";
}

void Log(LogTag tag, std::string_view message, int line) {
    const std::string entry = "[" + std::string(TagName(tag)) +
                              "](thread=" + std::to_string(::syscall(SYS_gettid)) +
                              ")(line=" + std::to_string(line) + "): " + std::string(message);
    UniqueFd file(::open(LogFilePath().c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644));
    if (file.Valid()) {
        fs::WriteAll(file.Get(), entry); // one write in practice: appends do not interleave
    }
    if (g_echo.load()) {
        fs::WriteAll(STDERR_FILENO, entry);
    }
}

void SetLogEcho(bool echo) {
    g_echo.store(echo);
}

} // namespace ob::setup
