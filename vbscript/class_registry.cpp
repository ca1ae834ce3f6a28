#include "vbscript/class_registry.h"

#include "vbscript/script_exception.h"
#include "vbscript/standard_classes.h"

#include "platform/lifetime/immortal.h"
#include "platform/registry/registry.h"
#include "platform/text/ascii_case.h"

#include <dlfcn.h>

#include <mutex>
#include <unordered_map>

namespace ob::vbscript {
namespace {

struct BuiltinClasses {
    std::mutex mutex;
    std::unordered_map<std::string, ObjectFactory, text::CaseBlindHash, text::CaseBlindEqual>
        factories;
};

BuiltinClasses& Builtins() {
    static Immortal<BuiltinClasses> classes;
    return classes.Get();
}

void RegisterStandardClassesOnce() {
    static std::once_flag once;
    std::call_once(once, RegisterStandardClasses);
}

// Class libraries stay loaded for the life of the process: objects they made may
// outlive any script, and their code must stay mapped while such an object exists.
// One handle per path as written in the store.
struct LoadedLibraries {
    std::mutex mutex;
    std::unordered_map<std::string, void*> handles;
};

LoadedLibraries& Libraries() {
    static Immortal<LoadedLibraries> libraries;
    return libraries.Get();
}

// A ProgID may name its versioned ProgID in CurVer; a chain longer than this is
// taken for a loop.
constexpr int kMaxCurVerHops = 4;

// The default value of HKCR\<path>; empty when the key or the value is missing.
std::string ClassesRootDefault(const std::string& path) {
    registry::Key key;
    if (registry::Key::Open(registry::Root::ClassesRoot, path, registry::KEY_READ, key) !=
        registry::ERROR_SUCCESS) {
        return {};
    }
    std::string data;
    if (key.QueryValue("", data) != registry::ERROR_SUCCESS) {
        return {};
    }
    return data;
}

// A name used as one key of the store: not empty and without a path separator,
// so that a ProgID cannot reach into another part of the store.
bool IsKeyName(std::string_view name) {
    return !name.empty() && name.find('\\') == std::string_view::npos;
}

// HKCR\<ProgID>\CLSID, following CurVer; empty when the store has no class id.
std::string ClassIdOf(std::string_view progId) {
    std::string current(progId);
    for (int hop = 0; hop <= kMaxCurVerHops && IsKeyName(current); ++hop) {
        std::string classId = ClassesRootDefault(current + "\\CLSID");
        if (!classId.empty()) {
            return classId;
        }
        current = ClassesRootDefault(current + "\\CurVer");
    }
    return {};
}

// The library's handle, loading it on first use; null when it cannot be loaded.
void* LoadLibrary(const std::string& path) {
    LoadedLibraries& libraries = Libraries();
    std::lock_guard lock(libraries.mutex);
    if (auto it = libraries.handles.find(path); it != libraries.handles.end()) {
        return it->second;
    }
    void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle != nullptr) {
        libraries.handles.emplace(path, handle);
    }
    return handle;
}

// An object of a class registered in the settings store; null on any failure.
std::shared_ptr<Object> CreateFromStore(std::string_view progId) {
    const std::string classId = ClassIdOf(progId);
    if (!IsKeyName(classId)) {
        return nullptr;
    }
    const std::string path = ClassesRootDefault("CLSID\\" + classId + "\\InprocServer32");
    if (path.empty()) {
        return nullptr;
    }
    void* handle = LoadLibrary(path);
    if (handle == nullptr) {
        return nullptr;
    }
    auto entry = reinterpret_cast<ClassLibraryEntry>(::dlsym(handle, "DllGetClassObject"));
    if (entry == nullptr) {
        return nullptr;
    }
    std::shared_ptr<Object> object;
    try {
        if (entry(classId.c_str(), &object) != 0) {
            return nullptr;
        }
    } catch (...) {
        // The entry point must not throw; one that does has not made an object.
        return nullptr;
    }
    return object;
}

} // namespace

void RegisterBuiltinClass(std::string_view progId, ObjectFactory factory) {
    BuiltinClasses& classes = Builtins();
    std::lock_guard lock(classes.mutex);
    classes.factories[std::string(progId)] = std::move(factory);
}

std::shared_ptr<Object> CreateObjectByProgId(std::string_view progId) {
    RegisterStandardClassesOnce();
    ObjectFactory factory;
    {
        BuiltinClasses& classes = Builtins();
        std::lock_guard lock(classes.mutex);
        if (auto it = classes.factories.find(progId); it != classes.factories.end()) {
            factory = it->second;
        }
    }
    if (factory) {
        if (auto object = factory()) {
            return object;
        }
    } else if (auto object = CreateFromStore(progId)) {
        return object;
    }
    ScriptException e(err::kCannotCreate);
    e.description += ": '" + std::string(progId) + "'";
    throw e;
}

} // namespace ob::vbscript
