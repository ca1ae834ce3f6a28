// Parses VBScript source into a Unit (see ast.h). Errors are thrown as
// ScriptException with the compilation error number (1002 Syntax error, 1025
// Expected end of statement ...) and the line; nesting too deep for the stack is
// error 28. Procedures are collected into Unit::procedures.
#pragma once

#include "vbscript/ast.h"

#include <memory>
#include <string_view>

namespace ob::vbscript {

std::unique_ptr<Unit> Parse(std::string_view source);

} // namespace ob::vbscript
