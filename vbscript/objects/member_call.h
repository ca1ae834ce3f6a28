// Argument helpers of the standard objects' Invoke (the checks of names, counts
// and access kinds are in vbscript/member_checks.h). Interpreter's thread.
#pragma once

#include "vbscript/member_checks.h"

#include <cstddef>
#include <string_view>
#include <vector>

namespace ob::vbscript::objects {

/// The value of an argument: an object stands for its default member (a File
/// passed where a path is wanted gives its Path), as in any call through the
/// dispatch interface. Raises 424 for Nothing.
Variant ValueOf(const Variant& value);

/// ValueOf(value) as text.
std::string TextOf(const Variant& value);

/// A new one-dimensional array holding `items`.
Variant MakeArray(std::vector<Variant> items);

} // namespace ob::vbscript::objects
