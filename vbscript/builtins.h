// The built-in functions (Len, Mid, CStr, UBound, Now ...) of the language.
// Functions take their evaluated arguments; the interpreter checks the argument
// count against minArgs / maxArgs first. Each family of functions lives in a file
// of its own (builtin_strings.cpp, builtin_math.cpp ...) with its table; this
// header joins the tables for lookups by name.
#pragma once

#include "vbscript/variant.h"

#include <span>
#include <string_view>
#include <vector>

namespace ob::vbscript {

class Interpreter;

using BuiltinFunction = Variant (*)(Interpreter&, std::vector<Variant>&);

struct Builtin {
    const char* name;
    int minArgs;
    int maxArgs;
    BuiltinFunction function;
};

/// The built-in function of that name (without regard to case), or null.
const Builtin* FindBuiltin(std::string_view name);

namespace builtin {

/// maxArgs of the functions that take any number of arguments (Array).
inline constexpr int kAnyCount = 1 << 20;

// The tables of the families.
std::span<const Builtin> StringFunctions();      ///< builtin_strings.cpp
std::span<const Builtin> ConversionFunctions();  ///< builtin_conversions.cpp
std::span<const Builtin> MathFunctions();        ///< builtin_math.cpp
std::span<const Builtin> DateFunctions();        ///< builtin_dates.cpp
std::span<const Builtin> ScriptFunctions();      ///< builtin_script.cpp
std::span<const Builtin> EnvironmentFunctions(); ///< builtin_environment.cpp
std::span<const Builtin> FormatFunctions();      ///< builtin_format.cpp
std::span<const Builtin> EscapeFunctions();      ///< builtin_escape.cpp

} // namespace builtin

} // namespace ob::vbscript
