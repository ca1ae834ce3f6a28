// The classes CreateObject can make, by ProgID ("Scripting.Dictionary").
//
// Two sources, asked in this order:
//  1. classes built into this library (Scripting.Dictionary, VBScript.RegExp ...),
//     registered at start-up with RegisterBuiltinClass;
//  2. classes of loadable libraries registered in the settings store under
//     HKEY_CLASSES_ROOT: HKCR\<ProgID>\CLSID (default value: the class id; a
//     version-independent ProgID may instead name its versioned ProgID in CurVer),
//     then HKCR\CLSID\<class id>\InprocServer32 (default value: the library's
//     path). The library is loaded with dlopen and asked for the object through its
//     exported entry point (ClassLibraryEntry below); it stays loaded for the life
//     of the process.
//
// ProgIDs compare without regard to case. Any thread may call these functions.
#pragma once

#include "vbscript/object.h"
#include "vbscript/vbscript_export.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace ob::vbscript {

using ObjectFactory = std::function<std::shared_ptr<Object>()>;

/// Makes a class of this process creatable under a ProgID; a later registration of
/// the same ProgID replaces the earlier one.
OB_VBSCRIPT_API void RegisterBuiltinClass(std::string_view progId, ObjectFactory factory);

/// A new object of the class registered under the ProgID. Throws ScriptException
/// 429 ("ActiveX component can't create object") when no class answers to it.
/// Called by the interpreter (CreateObject, New of a built-in class).
OB_VBSCRIPT_API std::shared_ptr<Object> CreateObjectByProgId(std::string_view progId);

/// The entry point a class library exports under the name "DllGetClassObject":
/// fills `object` with a new object of the class with that class id (text as
/// written in the store, braces included) and returns 0 (S_OK), or returns
/// 0x80040111 (CLASS_E_CLASSNOTAVAILABLE) when it has no such class. It must not
/// throw.
using ClassLibraryEntry = long (*)(const char* classId, std::shared_ptr<Object>* object);

} // namespace ob::vbscript
