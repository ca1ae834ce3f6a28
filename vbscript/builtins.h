// The built-in functions (Len, Mid, CStr, UBound, Now ...) and constants (vbCrLf,
// vbTextCompare ...) of the language. Functions take their evaluated arguments;
// the interpreter checks the argument count against minArgs / maxArgs first.
#pragma once

#include "vbscript/variant.h"

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

/// The value of a built-in constant; false when there is none of that name.
bool FindConstant(std::string_view name, Variant& out);

} // namespace ob::vbscript
