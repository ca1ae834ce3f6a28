#include "vbscript/class_instance.h"

#include "vbscript/ast.h"
#include "vbscript/interpreter.h"
#include "vbscript/stack_guard.h"

namespace ob::vbscript {

ClassInstance::ClassInstance(std::shared_ptr<Interpreter*> owner,
                             std::shared_ptr<const ClassDecl> decl)
    : owner_(std::move(owner)), decl_(std::move(decl)) {}

ClassInstance::~ClassInstance() {
    if (!terminated_ && owner_ && *owner_) {
        (*owner_)->QueueTerminate(decl_, std::move(fields_));
    }
}

std::string ClassInstance::TypeName() const {
    return decl_->name;
}

Variant ClassInstance::Invoke(std::string_view name, InvokeKind kind, std::vector<Variant>& args) {
    if (!owner_ || !*owner_) {
        throw ScriptException(err::kObjectRequired);
    }
    StackGuard::Scope stack; // a host may call in from outside any script call
    return (*owner_)->InvokeMember(*this, name, kind, args);
}

} // namespace ob::vbscript
