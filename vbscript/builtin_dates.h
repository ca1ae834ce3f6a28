// The date arithmetic built-ins: DateAdd, DateDiff, DatePart, DateValue and
// TimeValue. They share one parser of interval codes ("yyyy" "q" "m" "y" "d" "w"
// "ww" "h" "n" "s") and one week numbering (first day of week, first week of year).
// Called by the interpreter's thread through the table in builtins.cpp.
#pragma once

#include "vbscript/variant.h"

#include <vector>

namespace ob::vbscript {
class Interpreter;
}

namespace ob::vbscript::builtin {

Variant DateAdd(Interpreter& in, std::vector<Variant>& a);
Variant DateDiff(Interpreter& in, std::vector<Variant>& a);
Variant DatePart(Interpreter& in, std::vector<Variant>& a);
Variant DateValue(Interpreter& in, std::vector<Variant>& a);
Variant TimeValue(Interpreter& in, std::vector<Variant>& a);

} // namespace ob::vbscript::builtin
