// The collection WScript.Shell's Environment gives: the process environment
// (ob::env), whatever type ("SYSTEM", "USER", "VOLATILE", "PROCESS") was asked.
// Item(name) reads ("" when unset) and assigns a variable, Remove deletes one,
// Count / Length count them, For Each gives "NAME=value" texts. Changes reach
// the whole process and the programs it starts. Interpreter's thread.
#pragma once

#include "vbscript/object.h"

namespace ob::vbscript::objects {

class ShellEnvironment final : public Object {
public:
    std::string TypeName() const override { return "WshEnvironment"; }
    Variant Invoke(std::string_view name, InvokeKind kind, std::vector<Variant>& args) override;
    bool Enumerate(std::vector<Variant>& items) override;
};

} // namespace ob::vbscript::objects
