#include "host/vbs_command.h"

#include "host/wscript_object.h"

#include "vbscript/vbscript_control.h"

#include "platform/lifetime/unique_fd.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

namespace ob::host {

namespace {

constexpr std::uintmax_t kMaxScriptSize = 64u * 1024 * 1024;

bool ReadScript(const std::string& path, std::string& text, std::ostream& err) {
    // Non-blocking, so that a FIFO is refused at once instead of waiting for a writer.
    const UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (!fd.Valid()) {
        err << "obrenta vbs: cannot read " << path << "\n";
        return false;
    }
    struct stat info {};
    if (::fstat(fd.Get(), &info) != 0 || !S_ISREG(info.st_mode)) {
        err << "obrenta vbs: cannot read " << path << "\n";
        return false;
    }
    if (static_cast<std::uintmax_t>(info.st_size) > kMaxScriptSize) {
        err << "obrenta vbs: " << path << " is too large\n";
        return false;
    }
    text.clear();
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd.Get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            err << "obrenta vbs: cannot read " << path << "\n";
            return false;
        }
        if (n == 0) {
            return true;
        }
        text.append(buffer, static_cast<std::size_t>(n));
        if (text.size() > kMaxScriptSize) {
            err << "obrenta vbs: " << path << " is too large\n";
            return false;
        }
    }
}

} // namespace

int RunVbsCommand(int argc, char** argv, std::ostream& out, std::ostream& err) {
    if (argc < 2) {
        err << "usage: obrenta vbs FILE [ARGS...]\n";
        return 2;
    }
    const std::string path = argv[1];
    std::string source;
    if (!ReadScript(path, source, err)) {
        return 1;
    }
    std::vector<std::string> args(argv + 2, argv + argc);
    std::error_code ignored;
    const std::string fullName = std::filesystem::absolute(path, ignored).string();

    vbscript::VBScriptControl control;
    control.SetOutput(&out);
    std::error_code noProgram;
    const std::string programPath =
        std::filesystem::read_symlink("/proc/self/exe", noProgram).string();
    control.AddObject("WScript", std::make_shared<WScriptObject>(std::cin, out, err, fullName,
                                                                 programPath, std::move(args)));
    if (!control.AddCode(source)) {
        const vbscript::ScriptError& e = control.Error();
        err << path << "(" << e.line << ") " << e.source << ": " << e.description << " ("
            << e.number << ")\n";
        if (!e.text.empty()) {
            err << "    " << e.text << "\n";
        }
        return 1;
    }
    return control.QuitCode().value_or(0);
}

} // namespace ob::host
