#include "platform/process/launch_shell.h"

#include "platform/env/environment.h"
#include "platform/error/win_error.h"
#include "platform/process/child_process.h"
#include "platform/process/command_line.h"
#include "platform/process/launch_program.h"
#include "platform/process/resolve_program.h"
#include "platform/process/spawn_child.h"
#include "platform/text/ascii_case.h"

#include <cctype>
#include <cerrno>
#include <sys/stat.h>

namespace ob::process {
namespace {

constexpr std::uint32_t ERROR_NO_ASSOCIATION = 1155;

std::string Unquoted(std::string text) {
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"') {
        return text.substr(1, text.size() - 2);
    }
    return text;
}

// "http://...", "mailto:...", "file:///...": a scheme of two letters or more (a
// drive letter "c:" is not one).
bool IsAddress(const std::string& text) {
    const std::size_t colon = text.find(':');
    if (colon == std::string::npos || colon < 2) {
        return false;
    }
    for (std::size_t i = 0; i < colon; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (!(std::isalnum(c) != 0 || c == '+' || c == '-' || c == '.') ||
            (i == 0 && std::isalpha(c) == 0)) {
            return false;
        }
    }
    return true;
}

// 0 when `path` exists; 3 when its folder is missing, 2 when only the file is,
// else the code of the failure.
std::uint32_t MissingFileCode(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0) {
        return 0;
    }
    const int err = errno;
    if (err != ENOENT) {
        return error::FromErrno(err);
    }
    const std::size_t slash = path.rfind('/');
    if (slash != std::string::npos && slash > 0 &&
        ::stat(path.substr(0, slash).c_str(), &info) != 0) {
        return error::ERROR_PATH_NOT_FOUND;
    }
    return error::ERROR_FILE_NOT_FOUND;
}

} // namespace

void LaunchShell(std::uint32_t flags, const std::string& verb, const std::string& file,
                 const std::string& parameters, LaunchOutcome& outcome) {
    if (!verb.empty() && !text::EqualsIgnoringCase(verb, "open")) {
        outcome.Fail(ERROR_NO_ASSOCIATION);
        return;
    }
    const std::string target = Unquoted(file);
    if (target.empty()) {
        outcome.Fail(error::ERROR_FILE_NOT_FOUND);
        return;
    }
    if (!IsAddress(target)) {
        const std::uint32_t missing = MissingFileCode(target);
        if (missing != 0) {
            outcome.Fail(missing);
            return;
        }
    }
    std::string opener = kDesktopOpener;
    if (!ResolveProgram(opener)) {
        outcome.Fail(ERROR_NO_ASSOCIATION);
        return;
    }
    SpawnRequest request;
    request.path = opener;
    request.arguments = {kDesktopOpener, target};
    if (!parameters.empty()) {
        const std::vector<std::string> extra = SplitCommandLine("x " + parameters);
        request.arguments.insert(request.arguments.end(), extra.begin() + 1, extra.end());
    }
    request.environment = env::Block();
    request.detach = (flags & CP_DETACH) != 0;
    pid_t pid = 0;
    const std::uint32_t error = SpawnChild(request, pid);
    if (error != 0) {
        outcome.Fail(error);
        return;
    }
    ChildProcess child(pid);
    FinishLaunch(flags, child, outcome);
}

} // namespace ob::process
