// The named constants of the language (vbCrLf, vbTextCompare, vbSunday ...), each
// with its value and its subtype. Any thread: the table is built once.
#pragma once

#include "vbscript/variant.h"

#include <string_view>

namespace ob::vbscript {

/// The value of a named constant; false when there is none of that name (compared
/// without regard to case).
bool FindConstant(std::string_view name, Variant& out);

} // namespace ob::vbscript
