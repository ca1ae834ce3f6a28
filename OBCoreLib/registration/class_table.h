// The classes of the automation library: one row each, with the identities that
// registration writes into the class registry and the factory that
// DllGetClassObject calls. Adding a class is adding its row (and its factory).
//
// A row without a factory is registered like the others, but creating it fails
// (CLASS_E_CLASSNOTAVAILABLE, which CreateObject reports as error 429): its class
// is known by name before its behaviour is built. Immutable; any thread.
#pragma once

#include "vbscript/object.h"

#include <memory>
#include <span>
#include <string_view>

namespace ob::corelib {

using ClassFactory = std::shared_ptr<vbscript::Object> (*)();

struct ClassEntry {
    std::string_view coclass;        ///< "Runtime"
    std::string_view implementation; ///< "CRuntime"
    std::string_view interfaceName;  ///< "IRuntime"
    std::string_view interfaceId;    ///< IID, braces included
    std::string_view classId;        ///< CLSID, braces included
    std::string_view progId;         ///< "OBCoreLib.Runtime.1"
    std::string_view currentProgId;  ///< version-independent: "OBCoreLib.Runtime"
    std::string_view description;    ///< "Runtime Class"
    ClassFactory factory;            ///< null: not available yet
};

/// The type library that describes the classes' interfaces.
struct TypeLibraryInfo {
    std::string_view name;       ///< "OBCoreLibLib"
    std::string_view libraryId;  ///< LIBID
    std::string_view helpString; ///< "OBCoreLib 1.0 Type Library"
    std::string_view version;    ///< "1.0"
    unsigned locale;             ///< 0x409
};

/// The module's application id and its name key.
struct ApplicationInfo {
    std::string_view appId;
    std::string_view name;       ///< "OBCoreLib": the AppID key's default value
    std::string_view moduleName; ///< "OBCoreLib.DLL": the key that names the AppID
};

std::span<const ClassEntry> Classes();
const TypeLibraryInfo& TypeLibrary();
const ApplicationInfo& Application();

/// The row of a class id (compared without regard to case), or null.
const ClassEntry* FindClass(std::string_view classId);

} // namespace ob::corelib
