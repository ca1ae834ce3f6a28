// The entry points of libobcorelib.so, the in-process server of the automation
// classes: the class registry (vbscript/class_registry.h) asks DllGetClassObject
// for objects; `obrenta register` calls DllRegisterServer and DllUnregisterServer.
// None lets an exception escape. Any thread.
#include "OBCoreLib/automation/hresult.h"
#include "OBCoreLib/registration/class_table.h"
#include "OBCoreLib/registration/server_registration.h"

#include "variables/variable_manager.h"

#include <memory>

namespace {

// SELFREG_E_CLASS: a class could not be registered.
constexpr long kRegisterFailed = static_cast<std::int32_t>(0x80040201);
constexpr long kOk = 0;
constexpr long kFalse = 1;

// The library's copy of the variable store is configured as the engine's is, when
// the library is loaded and before any object exists.
class COBCoreLibApp {
public:
    COBCoreLibApp() {
        ob::vars::Configure({.company = "Varndel Software",
                             .product = "Obrenta",
                             .third = "Obrenta",
                             .defaultSection = "JR.ENVIRONMENT",
                             .lastErrorVariable = "JR.LAST_ERROR"});
    }
};

const COBCoreLibApp theApp;

} // namespace

#define OB_CORELIB_EXPORT extern "C" __attribute__((visibility("default")))

/// A new object of the class; CLASS_E_CLASSNOTAVAILABLE for a class id that is not
/// ours or whose class is not available yet.
OB_CORELIB_EXPORT long DllGetClassObject(const char* classId,
                                         std::shared_ptr<ob::vbscript::Object>* object) {
    if (classId == nullptr || object == nullptr) {
        return ob::corelib::kClassNotAvailable;
    }
    try {
        const ob::corelib::ClassEntry* entry = ob::corelib::FindClass(classId);
        if (entry == nullptr || entry->factory == nullptr) {
            return ob::corelib::kClassNotAvailable;
        }
        *object = entry->factory();
        return *object ? ob::corelib::kClassOk : ob::corelib::kClassNotAvailable;
    } catch (...) {
        return ob::corelib::kClassNotAvailable;
    }
}

OB_CORELIB_EXPORT long DllRegisterServer() {
    try {
        const std::string path = ob::corelib::ModulePath();
        if (path.empty() || ob::corelib::RegisterServer(path) != 0) {
            return kRegisterFailed;
        }
        return kOk;
    } catch (...) {
        return kRegisterFailed;
    }
}

OB_CORELIB_EXPORT long DllUnregisterServer() {
    try {
        return ob::corelib::UnregisterServer() == 0 ? kOk : kRegisterFailed;
    } catch (...) {
        return kRegisterFailed;
    }
}

/// The library stays loaded for the life of the process (objects and handles may
/// outlive any script), so the answer is always "not now".
OB_CORELIB_EXPORT long DllCanUnloadNow() {
    return kFalse;
}
