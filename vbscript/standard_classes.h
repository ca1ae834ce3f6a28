// The classes built into the script library (Scripting.Dictionary, VBScript.RegExp
// ...): RegisterStandardClasses() registers each with RegisterBuiltinClass. The
// class registry calls it once, before its first lookup.
#pragma once

namespace ob::vbscript {

void RegisterStandardClasses();

} // namespace ob::vbscript
