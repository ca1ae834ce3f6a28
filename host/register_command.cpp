#include "host/register_command.h"

#include "platform/fs/program_path.h"
#include "platform/registry/registry.h"

#include <dlfcn.h>

#include <filesystem>
#include <string_view>
#include <system_error>

namespace ob::host {
namespace {

constexpr const char* kUsage = "usage: obrenta register [--unregister] [LIBRARY]\n";
constexpr const char* kRuntimeProgId = "OBCoreLib.Runtime";

using ServerEntry = long (*)();

std::string Hex(long code) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(code) & 0xFFFFFFFFul);
    return text;
}

// Loads the library and calls one of its registration exports; false with the
// reason on `err`.
bool CallServerEntry(const std::string& library, const char* entryName, std::ostream& err) {
    std::error_code ec;
    const std::filesystem::path path = std::filesystem::absolute(library, ec);
    if (ec || !std::filesystem::is_regular_file(path, ec)) {
        err << "obrenta: no library " << library << "\n";
        return false;
    }
    // A path with a slash: dlopen loads exactly that file, never one found by name.
    void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* reason = ::dlerror();
        err << "obrenta: cannot load " << path.string() << ": " << (reason ? reason : "unknown")
            << "\n";
        return false;
    }
    auto entry = reinterpret_cast<ServerEntry>(::dlsym(handle, entryName));
    if (entry == nullptr) {
        err << "obrenta: " << path.string() << " has no " << entryName << "\n";
        return false;
    }
    const long rc = entry();
    if (rc != 0) {
        err << "obrenta: " << entryName << " failed (" << Hex(rc) << ")";
        const std::string problem = registry::LastStoreProblem();
        if (!problem.empty()) {
            err << ": " << problem;
        } else if (!registry::RootWritable(registry::Root::LocalMachine)) {
            err << ": the machine settings store ("
                << registry::DatabasePath(registry::Root::LocalMachine) << ") is not writable";
        }
        err << "\n";
        return false;
    }
    return true;
}

// The default value of HKCR\<path>, or "".
std::string ClassesRootDefault(const std::string& path) {
    registry::Key key;
    std::string data;
    if (registry::Key::Open(registry::Root::ClassesRoot, path, registry::KEY_READ, key) ==
        registry::ERROR_SUCCESS) {
        (void)key.QueryValue("", data);
    }
    return data;
}

// True when OBCoreLib.Runtime names a class whose library file exists.
bool RuntimeRegistered() {
    std::string classId = ClassesRootDefault(std::string(kRuntimeProgId) + "\\CLSID");
    if (classId.empty()) {
        const std::string current = ClassesRootDefault(std::string(kRuntimeProgId) + "\\CurVer");
        if (!current.empty()) {
            classId = ClassesRootDefault(current + "\\CLSID");
        }
    }
    if (classId.empty()) {
        return false;
    }
    const std::string library = ClassesRootDefault("CLSID\\" + classId + "\\InprocServer32");
    std::error_code ec;
    return !library.empty() && std::filesystem::is_regular_file(library, ec);
}

} // namespace

std::string DefaultAutomationLibrary() {
    const std::string program = fs::ProgramPath();
    if (program.empty()) {
        return {};
    }
    const std::filesystem::path folder = std::filesystem::path(program).parent_path();
    for (const std::filesystem::path& candidate :
         {folder / kAutomationLibrary, folder / ".." / "lib" / kAutomationLibrary}) {
        std::error_code ec;
        if (std::filesystem::is_regular_file(candidate, ec)) {
            return std::filesystem::weakly_canonical(candidate, ec).string();
        }
    }
    return {};
}

int RunRegisterCommand(int argc, char** argv, std::ostream& out, std::ostream& err) {
    bool unregister = false;
    std::string library;
    for (int i = 1; i < argc; ++i) {
        const std::string_view word = argv[i];
        if (word == "--unregister") {
            unregister = true;
        } else if (word.size() > 1 && word[0] == '-') {
            err << "obrenta: unknown option " << word << "\n" << kUsage;
            return 2;
        } else if (library.empty()) {
            library = word;
        } else {
            err << kUsage;
            return 2;
        }
    }
    if (library.empty()) {
        library = DefaultAutomationLibrary();
        if (library.empty()) {
            err << "obrenta: no " << kAutomationLibrary
                << " beside the program or in its lib folder; name the library\n";
            return 1;
        }
    }
    if (!CallServerEntry(library, unregister ? "DllUnregisterServer" : "DllRegisterServer", err)) {
        return 1;
    }
    out << (unregister ? "Unregistered " : "Registered ") << library << "\n";
    return 0;
}

void EnsureAutomationRegistered(std::ostream& err) {
    if (RuntimeRegistered()) {
        return;
    }
    const std::string library = DefaultAutomationLibrary();
    if (library.empty()) {
        return;
    }
    if (!registry::RootWritable(registry::Root::LocalMachine)) {
        err << "obrenta: the automation library is not registered and the machine settings "
               "store is not writable; scripts cannot create OBCoreLib.Runtime until someone "
               "who may write it runs: obrenta register "
            << library << "\n";
        return;
    }
    if (CallServerEntry(library, "DllRegisterServer", err)) {
        err << "obrenta: registered the automation library " << library << "\n";
    }
}

} // namespace ob::host
