// Writing the library's classes into the class registry (HKEY_CLASSES_ROOT of the
// settings store) and taking them out again. Any thread; each key is one write of
// the store, so a registration cut short leaves some keys, which the next
// registration overwrites and an unregistration removes.
//
// Per class (class_table.h):
//   <ProgID>                 = description; CLSID = class id
//   <version-independent id> = description; CLSID = class id; CurVer = <ProgID>
//   CLSID\<class id>         = description; value AppID; ProgID;
//                              VersionIndependentProgID; Programmable;
//                              InprocServer32 = module path, ThreadingModel
//                              "Apartment"; TypeLib = LIBID
//   Interface\<IID>          = interface name; ProxyStubClsid32 (the automation
//                              marshaller); TypeLib = LIBID, Version "1.0"
// Once:
//   AppID\<AppID> = "OBCoreLib"; AppID\OBCoreLib.DLL with value AppID
//   TypeLib\<LIBID>\1.0 = help string; 0\win32 = module path; FLAGS "0";
//                         HELPDIR = the module's folder
#pragma once

#include <string>

namespace ob::corelib {

/// Registers every class with `modulePath` (absolute) as the library. 0, or the
/// store's error code of the first write that failed (5: the machine store is not
/// writable).
[[nodiscard]] long RegisterServer(const std::string& modulePath);

/// Removes every key RegisterServer writes. A ProgID key is removed only when it
/// names this library's class, so another library's ProgID is never taken away.
/// 0, or the first error other than "not found".
[[nodiscard]] long UnregisterServer();

/// The absolute path of the file this library was loaded from; empty when it
/// cannot be found.
std::string ModulePath();

} // namespace ob::corelib
