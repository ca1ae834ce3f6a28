#include "engine/services/service_loader.h"

#include "engine/session/engine_messages.h"
#include "engine/session/engine_session.h"
#include "engine/session/output.h"
#include "platform/registry/registry.h"
#include "platform/text/ascii_case.h"
#include "platform/text/blank.h"
#include "variables/variable_manager.h"

#include <optional>
#include <sys/stat.h>
#include <utility>

namespace ob::engine {
namespace {

std::string_view TrimBlanks(std::string_view text) {
    return text::Trim(text, text::kBlankTab);
}

std::vector<std::string> SplitNonEmpty(std::string_view text, char separator) {
    std::vector<std::string> pieces;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(separator, start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        const std::string_view piece = TrimBlanks(text.substr(start, end - start));
        if (!piece.empty()) {
            pieces.emplace_back(piece);
        }
        start = end + 1;
    }
    return pieces;
}

bool IsRegularFile(const std::string& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

/// A value of the service's key, or nothing when the key has no such value.
std::optional<std::string> Value(const registry::Key& key, std::string_view name) {
    std::string data;
    if (key.QueryValue(name, data) != registry::ERROR_SUCCESS) {
        return std::nullopt;
    }
    return data;
}

bool OpenLibrary(EngineSession& session, const std::string& name,
                 const std::vector<std::string>& directories, bool global, SharedLibrary& library) {
    const std::string file = LocateLibrary(name, directories);
    if (library.Open(file, global)) {
        return true;
    }
    SystemMessage(session, "Service library \"" + file + "\": " + library.Error(), LEVEL_INTERNAL);
    return false;
}

} // namespace

std::string_view LoadCodeText(int code) {
    switch (code) {
    case SERVICE_LOADED:
        return "";
    case SERVICE_MODULE_FAILED:
        return "LoadLibrary of 'module' failed";
    case SERVICE_LIBRARY_FAILED:
        return "LoadLibrary of 'library' failed";
    case SERVICE_NO_LIBRARY_ENTRY:
        return "bad or missing 'library entry' in registry";
    case SERVICE_NO_ENTRY_POINT:
        return "dll was missing entry point";
    case SERVICE_NO_REGISTRY_ENTRY:
        return "no registry entry";
    case SERVICE_ALREADY_LOADED:
        return "already loaded a service by that name";
    default:
        return "unrecognized command";
    }
}

std::vector<std::string> SplitRegistryList(std::string_view value) {
    return SplitNonEmpty(value, ';');
}

std::string AppendSearchPath(std::string_view currentPath, std::string_view addition) {
    std::vector<std::string> pieces = SplitNonEmpty(currentPath, ':');
    for (std::string& piece : SplitNonEmpty(addition, ';')) {
        pieces.push_back(std::move(piece));
    }
    std::string joined;
    for (const std::string& piece : pieces) {
        if (!joined.empty()) {
            joined += ':';
        }
        joined += piece;
    }
    return joined;
}

std::string LocateLibrary(const std::string& name, const std::vector<std::string>& directories) {
    if (name.empty() || name.front() == '/') {
        return name;
    }
    for (const std::string& directory : directories) {
        std::string candidate = directory;
        if (candidate.back() != '/') {
            candidate += '/';
        }
        candidate += name;
        if (IsRegularFile(candidate)) {
            return candidate;
        }
    }
    return name;
}

int LoadService(EngineSession& session, const std::string& name) {
    for (const ServiceModule& loaded : session.services) {
        if (text::EqualsIgnoringCase(loaded.name, name)) {
            return SERVICE_ALREADY_LOADED;
        }
    }
    // A back slash would reach a key below another service's (or the services key
    // itself): such a name has no entry of its own.
    if (name.empty() || name.find('\\') != std::string::npos) {
        return SERVICE_NO_REGISTRY_ENTRY;
    }
    registry::Key key;
    if (registry::Key::Open(registry::Root::LocalMachine, std::string(kServicesKey) + "\\" + name,
                            registry::KEY_QUERY_VALUE, key) != registry::ERROR_SUCCESS) {
        return SERVICE_NO_REGISTRY_ENTRY;
    }

    std::vector<std::string> directories;
    if (const auto path = Value(key, "path")) {
        directories = SplitRegistryList(*path);
        vars::CVariableManager& store = vars::MainStore();
        const std::string current = store.Get(nullptr, "PATH", vars::ENV_TRANSIENT).value_or("");
        store.PutEnv(nullptr, "PATH", AppendSearchPath(current, *path).c_str(),
                     vars::ENV_TRANSIENT);
    }

    ServiceModule service;
    service.name = name;
    if (const auto modules = Value(key, "module")) {
        for (const std::string& module : SplitRegistryList(*modules)) {
            SharedLibrary library;
            // Global, so that the service library finds the symbols it needs of them.
            if (!OpenLibrary(session, module, directories, true, library)) {
                return SERVICE_MODULE_FAILED;
            }
            service.modules.push_back(std::move(library));
        }
    }

    const auto library = Value(key, "library");
    const std::string libraryName(library ? TrimBlanks(*library) : std::string_view());
    if (libraryName.empty()) {
        return SERVICE_NO_LIBRARY_ENTRY;
    }
    if (!OpenLibrary(session, libraryName, directories, false, service.library)) {
        return SERVICE_LIBRARY_FAILED;
    }
    void* entry = service.library.Symbol(OB_SERVICE_ENTRY_NAME);
    if (entry == nullptr) {
        return SERVICE_NO_ENTRY_POINT;
    }
    service.entry = reinterpret_cast<OB_ServiceMain>(entry);
    session.services.push_back(std::move(service));
    return SERVICE_LOADED;
}

} // namespace ob::engine
