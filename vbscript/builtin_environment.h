// Built-ins about the engine and its surroundings: ScriptEngine and its version
// numbers, GetLocale / SetLocale (one locale: US English, 1033), RGB, and the
// desktop functions InputBox (writes its prompt to the interpreter's output and
// returns the default answer: there is no desktop) and LoadPicture (always
// Invalid procedure call: there are no pictures). Run on the interpreter's thread.
#pragma once

#include "vbscript/variant.h"

#include <vector>

namespace ob::vbscript {
class Interpreter;
}

namespace ob::vbscript::builtin {

/// The build number ScriptEngineBuildVersion reports.
inline constexpr int kScriptEngineBuild = 1000;
/// The one locale id (US English).
inline constexpr int kLocaleId = 1033;

Variant ScriptEngine(Interpreter& in, std::vector<Variant>& a);
Variant ScriptEngineMajorVersion(Interpreter& in, std::vector<Variant>& a);
Variant ScriptEngineMinorVersion(Interpreter& in, std::vector<Variant>& a);
Variant ScriptEngineBuildVersion(Interpreter& in, std::vector<Variant>& a);
Variant GetLocale(Interpreter& in, std::vector<Variant>& a);
Variant SetLocale(Interpreter& in, std::vector<Variant>& a);
Variant Rgb(Interpreter& in, std::vector<Variant>& a);
Variant InputBox(Interpreter& in, std::vector<Variant>& a);
Variant LoadPicture(Interpreter& in, std::vector<Variant>& a);

} // namespace ob::vbscript::builtin
