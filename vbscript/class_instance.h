// An object of a script class (Class ... End Class): its member variables and the
// class it belongs to. Members are called through the interpreter that created it;
// once that interpreter is gone, every call fails with Object required.
//
// When the last reference goes, Class_Terminate must still run, but not inside the
// destructor (which may run in the middle of an assignment): the destructor hands
// the member variables to the interpreter, which runs Class_Terminate on them after
// the current statement.
#pragma once

#include "vbscript/object.h"

#include "platform/text/ascii_case.h"

#include <memory>
#include <string>
#include <unordered_map>

namespace ob::vbscript {

class Interpreter;
struct ClassDecl;

using Cell = std::shared_ptr<Variant>;
using VariableMap =
    std::unordered_map<std::string, Cell, text::CaseBlindHash, text::CaseBlindEqual>;

class ClassInstance final : public Object, public std::enable_shared_from_this<ClassInstance> {
public:
    /// `owner` points at the interpreter while it lives and at null afterwards.
    ClassInstance(std::shared_ptr<Interpreter*> owner, std::shared_ptr<const ClassDecl> decl);
    ~ClassInstance() override;
    ClassInstance(const ClassInstance&) = delete;
    ClassInstance& operator=(const ClassInstance&) = delete;

    std::string TypeName() const override;
    Variant Invoke(std::string_view name, InvokeKind kind, std::vector<Variant>& args) override;

    const ClassDecl& Decl() const { return *decl_; }
    const std::shared_ptr<const ClassDecl>& DeclShared() const { return decl_; }
    VariableMap& Fields() { return fields_; }
    /// Class_Terminate has run (or must not run) for this object.
    void MarkTerminated() { terminated_ = true; }

private:
    std::shared_ptr<Interpreter*> owner_;
    std::shared_ptr<const ClassDecl> decl_;
    VariableMap fields_;
    bool terminated_ = false;
};

} // namespace ob::vbscript
