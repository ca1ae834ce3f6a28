// Variables and constants by name: locals, then the members of Me, then globals;
// implicit declaration where Option Explicit is not in force.
#include "vbscript/interpreter.h"

#include "vbscript/builtins.h"
#include "vbscript/named_constants.h"

namespace ob::vbscript {

const Expr::Binding& Interpreter::Rebind(const Expr& name) const {
    Expr::Binding& binding = name.binding;
    const Cell cell = FindVariable(name.name);
    binding.frame = Current().serial;
    binding.epoch = declarations_;
    binding.cell = cell.get(); // the scope keeps it alive while the note is valid
    binding.constant = IsConstant(name.name);
    return binding;
}

Cell Interpreter::FindVariable(std::string_view name) const {
    const Scope* local = Current().scope;
    if (auto it = local->vars.find(name); it != local->vars.end()) {
        return it->second;
    }
    if (const auto& self = Current().self) {
        if (auto it = self->Fields().find(name); it != self->Fields().end()) {
            return it->second;
        }
    }
    if (local != &globals_) {
        if (auto it = globals_.vars.find(name); it != globals_.vars.end()) {
            return it->second;
        }
    }
    return nullptr;
}

bool Interpreter::IsConstant(std::string_view name) const {
    const Scope* local = Current().scope;
    if (local->constants.empty() && globals_.constants.empty()) {
        return false; // most scripts declare none: spare the name lookups
    }
    if (local->vars.contains(name)) {
        return local->constants.contains(name);
    }
    return globals_.constants.contains(name);
}

Cell Interpreter::DeclareVariable(std::string_view name) {
    Cell& cell = Current().scope->vars[std::string(name)];
    if (!cell) {
        cell = std::make_shared<Variant>();
        Declared();
    }
    return cell;
}

bool Interpreter::IsKnownNonVariable(std::string_view name) const {
    Variant ignored;
    return procedures_.contains(name) || hostObjects_.contains(name) || FindBuiltin(name) ||
           FindCallable(name) || FindConstant(name, ignored) ||
           text::EqualsIgnoringCase(name, "err");
}

Cell Interpreter::VariableForWrite(std::string_view name) {
    if (Cell cell = FindVariable(name)) {
        return cell;
    }
    if (IsKnownNonVariable(name)) {
        throw NamedError(err::kIllegalAssignment, name);
    }
    if (OptionExplicit()) {
        throw NamedError(err::kUndefined, name);
    }
    return DeclareVariable(name);
}

} // namespace ob::vbscript
