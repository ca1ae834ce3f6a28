#include "OBCoreLib/registration/server_registration.h"

#include "OBCoreLib/registration/class_table.h"

#include "platform/registry/registry.h"
#include "platform/text/ascii_case.h"

#include <dlfcn.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <string_view>

namespace ob::corelib {
namespace {

using registry::Key;
using registry::Root;

// The marshaller of dual automation interfaces (PSOAInterface).
constexpr std::string_view kAutomationProxy = "{00020424-0000-0000-C000-000000000046}";

// Collects the first failure of a run of writes.
class Writer {
public:
    /// Sets `value` (empty name: the default value) of HKCR\<path>, creating the key.
    void Set(const std::string& path, std::string_view name, std::string_view value) {
        if (error_ != 0) {
            return;
        }
        Key key;
        long rc = Key::Create(Root::ClassesRoot, path, registry::KEY_WRITE, key);
        if (rc == registry::ERROR_SUCCESS) {
            rc = key.SetValue(name, value);
        }
        error_ = rc;
    }
    /// Creates HKCR\<path> without a value.
    void Touch(const std::string& path) {
        if (error_ != 0) {
            return;
        }
        Key key;
        error_ = Key::Create(Root::ClassesRoot, path, registry::KEY_WRITE, key);
    }
    long Error() const { return error_; }

private:
    long error_ = 0;
};

// Deletes HKCR\<path> with its subkeys; remembers the first failure other than a
// missing key.
class Remover {
public:
    void Delete(const std::string& path) {
        Key root;
        long rc = Key::Open(Root::ClassesRoot, "", registry::KEY_READ_WRITE, root);
        if (rc == registry::ERROR_SUCCESS) {
            rc = root.DeleteSubKey(path);
        }
        if (rc != registry::ERROR_SUCCESS && rc != registry::ERROR_FILE_NOT_FOUND && error_ == 0) {
            error_ = rc;
        }
    }
    long Error() const { return error_; }

private:
    long error_ = 0;
};

// The class id a ProgID key names (its CLSID default value), or "".
std::string ClassIdOf(const std::string& progId) {
    Key key;
    std::string data;
    if (Key::Open(Root::ClassesRoot, progId + "\\CLSID", registry::KEY_READ, key) ==
        registry::ERROR_SUCCESS) {
        (void)key.QueryValue("", data);
    }
    return data;
}

std::string Str(std::string_view text) {
    return std::string(text);
}

void RegisterClass(Writer& out, const ClassEntry& entry, const std::string& modulePath) {
    const TypeLibraryInfo& library = TypeLibrary();
    const std::string progId = Str(entry.progId);
    const std::string current = Str(entry.currentProgId);
    const std::string clsid = Str(entry.classId);

    out.Set(progId, "", entry.description);
    out.Set(progId + "\\CLSID", "", entry.classId);
    out.Set(current, "", entry.description);
    out.Set(current + "\\CLSID", "", entry.classId);
    out.Set(current + "\\CurVer", "", entry.progId);

    const std::string classKey = "CLSID\\" + clsid;
    out.Set(classKey, "", entry.description);
    out.Set(classKey, "AppID", Application().appId);
    out.Set(classKey + "\\ProgID", "", entry.progId);
    out.Set(classKey + "\\VersionIndependentProgID", "", entry.currentProgId);
    out.Touch(classKey + "\\Programmable");
    out.Set(classKey + "\\InprocServer32", "", modulePath);
    out.Set(classKey + "\\InprocServer32", "ThreadingModel", "Apartment");
    out.Set(classKey + "\\TypeLib", "", library.libraryId);

    const std::string interfaceKey = "Interface\\" + Str(entry.interfaceId);
    out.Set(interfaceKey, "", entry.interfaceName);
    out.Set(interfaceKey + "\\ProxyStubClsid32", "", kAutomationProxy);
    out.Set(interfaceKey + "\\TypeLib", "", library.libraryId);
    out.Set(interfaceKey + "\\TypeLib", "Version", library.version);
}

} // namespace

long RegisterServer(const std::string& modulePath) {
    Writer out;
    for (const ClassEntry& entry : Classes()) {
        RegisterClass(out, entry, modulePath);
    }
    const ApplicationInfo& app = Application();
    out.Set("AppID\\" + Str(app.appId), "", app.name);
    out.Set("AppID\\" + Str(app.moduleName), "AppID", app.appId);

    const TypeLibraryInfo& library = TypeLibrary();
    const std::string versionKey =
        "TypeLib\\" + Str(library.libraryId) + "\\" + Str(library.version);
    out.Set(versionKey, "", library.helpString);
    out.Set(versionKey + "\\0\\win32", "", modulePath);
    out.Set(versionKey + "\\FLAGS", "", "0");
    out.Set(versionKey + "\\HELPDIR", "", std::filesystem::path(modulePath).parent_path().string());
    return out.Error();
}

long UnregisterServer() {
    Remover remove;
    for (const ClassEntry& entry : Classes()) {
        for (const std::string_view name : {entry.progId, entry.currentProgId}) {
            const std::string progId = Str(name);
            if (text::EqualsIgnoringCase(ClassIdOf(progId), entry.classId)) {
                remove.Delete(progId);
            }
        }
        remove.Delete("CLSID\\" + Str(entry.classId));
        remove.Delete("Interface\\" + Str(entry.interfaceId));
    }
    const ApplicationInfo& app = Application();
    remove.Delete("AppID\\" + Str(app.appId));
    remove.Delete("AppID\\" + Str(app.moduleName));
    remove.Delete("TypeLib\\" + Str(TypeLibrary().libraryId));
    return remove.Error();
}

std::string ModulePath() {
    Dl_info info{};
    if (::dladdr(reinterpret_cast<const void*>(&ModulePath), &info) == 0 ||
        info.dli_fname == nullptr) {
        return {};
    }
    char resolved[PATH_MAX];
    if (::realpath(info.dli_fname, resolved) == nullptr) {
        return {};
    }
    return resolved;
}

} // namespace ob::corelib
