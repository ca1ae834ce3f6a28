// The built-ins that reach the script itself or its host: MsgBox, CreateObject,
// GetRef, Eval, Execute and ExecuteGlobal.
#include "vbscript/builtins.h"

#include "vbscript/builtin_args.h"
#include "vbscript/class_registry.h"
#include "vbscript/interpreter.h"
#include "vbscript/object.h"

#include <ostream>

namespace ob::vbscript::builtin {

namespace {

Variant MsgBox(Interpreter& in, Args& a) {
    if (!in.AllowUI()) {
        throw ScriptException(err::kPermissionDenied);
    }
    if (std::ostream* out = in.Output()) {
        *out << (a[0].IsNull() ? std::string("Null") : a[0].ToString()) << '\n';
        out->flush();
    }
    return Variant::Integer(1); // vbOK: no desktop to ask
}

Variant CreateObject(Interpreter&, Args& a) {
    return Variant::FromObject(CreateObjectByProgId(a[0].ToString()));
}

// A procedure held as a value (GetRef): calling its default member calls it.
class ProcedureRef final : public Object {
public:
    ProcedureRef(Interpreter& in, std::shared_ptr<Procedure> proc)
        : in_(in), proc_(std::move(proc)) {}
    std::string TypeName() const override { return "Object"; }
    Variant Invoke(std::string_view name, InvokeKind kind, Args& args) override {
        if (!name.empty() || kind == InvokeKind::PropertyPut ||
            kind == InvokeKind::PropertyPutRef) {
            throw ScriptException(err::kNoSuchMember);
        }
        return in_.CallWithValues(*proc_, args);
    }

private:
    Interpreter& in_;
    std::shared_ptr<Procedure> proc_;
};

Variant GetRef(Interpreter& in, Args& a) {
    auto proc = in.FindProcedure(a[0].ToString());
    if (!proc) {
        throw InvalidCall();
    }
    return Variant::FromObject(std::make_shared<ProcedureRef>(in, std::move(proc)));
}

Variant Eval(Interpreter& in, Args& a) {
    return in.EvalText(a[0].ToString());
}
Variant Execute(Interpreter& in, Args& a) {
    in.ExecuteText(a[0].ToString(), false);
    return {};
}
Variant ExecuteGlobal(Interpreter& in, Args& a) {
    in.ExecuteText(a[0].ToString(), true);
    return {};
}

} // namespace

std::span<const Builtin> ScriptFunctions() {
    static const Builtin kFunctions[] = {
        {"CreateObject", 1, 2, CreateObject},
        {"Eval", 1, 1, Eval},
        {"Execute", 1, 1, Execute},
        {"ExecuteGlobal", 1, 1, ExecuteGlobal},
        {"GetRef", 1, 1, GetRef},
        {"MsgBox", 1, 5, MsgBox},
    };
    return kFunctions;
}

} // namespace ob::vbscript::builtin
