// Assignments (Let and Set) to variables, array elements, object properties and
// default members, with the in-place append that keeps `s = s & x` loops linear.
#include "vbscript/interpreter.h"

#include "vbscript/builtins.h"

namespace ob::vbscript {

namespace {

// The built-in functions that only compute a value from their arguments: calling
// them cannot run script code or change a variable.
bool IsValueFunction(std::string_view name) {
    static const char* const kNames[] = {
        "Asc",          "AscW",  "CDbl",  "Chr",   "ChrW",   "CInt",  "CLng",  "CStr",
        "FormatNumber", "Hex",   "LCase", "Left",  "Len",    "LTrim", "Mid",   "Oct",
        "Replace",      "Right", "RTrim", "Space", "String", "Trim",  "UCase",
    };
    for (const char* known : kNames) {
        if (text::EqualsIgnoringCase(name, known)) {
            return true;
        }
    }
    return false;
}

} // namespace

bool Interpreter::IsPlainValue(const Expr& e) const {
    switch (e.kind) {
    case ExprKind::Literal:
        return true;
    case ExprKind::Name: {
        const Variant* cell = Resolve(e).cell;
        // An object's default property is script code; "Me" is never a variable.
        return cell && !cell->IsObject() && !(Current().self && IsMe(e.name));
    }
    case ExprKind::Unary:
        return IsPlainValue(*e.left);
    case ExprKind::Binary:
        return e.op != Op::Is && IsPlainValue(*e.left) && IsPlainValue(*e.right);
    case ExprKind::Call: {
        if (e.object->kind != ExprKind::Name) {
            return false;
        }
        for (const auto& arg : e.args) {
            if (!IsPlainValue(*arg)) {
                return false;
            }
        }
        const std::string& name = e.object->name;
        if (const Variant* cell = Resolve(*e.object).cell) {
            return cell->IsArray(); // an element of an array
        }
        return !FindCallable(name) && !hostObjects_.contains(name) && IsValueFunction(name) &&
               FindBuiltin(name) != nullptr;
    }
    default:
        return false;
    }
}

// `s = s & a & b`: builds a text in a loop without copying it each time (which
// would make the loop quadratic) by appending to the variable in place. Taken
// only when s already holds a text and evaluating a, b ... cannot run script code
// (which might read or change s meanwhile); otherwise the assignment runs as
// written. The result is the same either way.
bool Interpreter::AppendInPlace(const Stmt& s) {
    const Expr& target = *s.target;
    if (target.kind != ExprKind::Name || s.value->kind != ExprKind::Binary ||
        s.value->op != Op::Concat) {
        return false;
    }
    const Expr* left = s.value.get();
    std::vector<const Expr*> pieces; // right operands, last first
    while (left->kind == ExprKind::Binary && left->op == Op::Concat) {
        pieces.push_back(left->right.get());
        left = left->left.get();
    }
    if (pieces.empty() || left->kind != ExprKind::Name ||
        !text::EqualsIgnoringCase(left->name, target.name) || Resolve(target).constant) {
        return false;
    }
    Variant* const cell = Resolve(target).cell;
    if (!cell || !cell->IsString() || (Current().self && IsMe(target.name))) {
        return false;
    }
    for (const Expr* piece : pieces) {
        if (!IsPlainValue(*piece)) {
            return false;
        }
    }
    std::string tail;
    for (auto it = pieces.rbegin(); it != pieces.rend(); ++it) {
        const Variant value = Eval(**it);
        if (value.IsObject() || value.IsArray()) {
            return false; // nothing changed yet: the assignment runs as written
        }
        if (!value.IsNull()) {
            tail += value.ToString();
        }
    }
    cell->AppendText(tail);
    return true;
}

// `n = a + b` (or - or *) of Integers and Longs read in place, into a variable that
// holds no object: computed and stored without a temporary value. The result and
// its subtype are those of the general path.
bool Interpreter::AssignIntegerArithmetic(const Stmt& s) {
    const Expr& value = *s.value;
    if (s.target->kind != ExprKind::Name || value.kind != ExprKind::Binary ||
        (value.op != Op::Add && value.op != Op::Subtract && value.op != Op::Multiply)) {
        return false;
    }
    const Variant* a = Peek(*value.left);
    const Variant* b = a ? Peek(*value.right) : nullptr;
    if (!b || !a->IsIntegerOrLong() || !b->IsIntegerOrLong()) {
        return false;
    }
    const Expr::Binding binding = Resolve(*s.target);
    if (!binding.cell || binding.constant || binding.cell->IsObject()) {
        return false;
    }
    const std::int64_t x = a->ToLong();
    const std::int64_t y = b->ToLong();
    const std::int64_t r = value.op == Op::Add ? x + y : value.op == Op::Subtract ? x - y : x * y;
    binding.cell->SetIntegral(r, a->Type() == VarType::Integer && b->Type() == VarType::Integer);
    return true;
}

void Interpreter::ExecAssign(const Stmt& s, bool isSet) {
    if (!isSet && s.value->op == Op::Concat && AppendInPlace(s)) {
        return;
    }
    if (!isSet && AssignIntegerArithmetic(s)) {
        return;
    }
    Variant value = Eval(*s.value);
    if (isSet) {
        if (!value.IsObject()) {
            throw RuntimeError(err::kObjectRequired);
        }
    } else if (value.IsObject()) {
        value = ObjectDefault(value);
    }
    const Expr& target = *s.target;
    switch (target.kind) {
    case ExprKind::Name: {
        const Expr::Binding binding = Resolve(target);
        if (binding.constant) {
            throw RuntimeError(err::kIllegalAssignment);
        }
        if (const auto& self = Current().self; self && !binding.cell) {
            // Inside a class, assigning to the bare name of one of its Property Let
            // (or, with Set, Property Set) procedures calls it, as Me.Name = v would.
            const auto accept = isSet ? +[](ProcKind k) { return k == ProcKind::PropertySet; }
                                      : +[](ProcKind k) { return k == ProcKind::PropertyLet; };
            if (FindMethod(self->Decl(), target.name, accept)) {
                std::vector<Variant> args{std::move(value)};
                InvokeMember(*self, target.name,
                             isSet ? InvokeKind::PropertyPutRef : InvokeKind::PropertyPut, args);
                return;
            }
        }
        Variant* const cell = binding.cell ? binding.cell : VariableForWrite(target.name).get();
        if (!isSet && cell->IsObject() && cell->ObjectValue()) {
            // "o = 5" without Set assigns the default property of the object o holds.
            const std::shared_ptr<Object> object = cell->ObjectValue();
            std::vector<Variant> args{std::move(value)};
            object->Invoke("", InvokeKind::PropertyPut, args);
            return;
        }
        *cell = std::move(value);
        return;
    }
    case ExprKind::Member: {
        auto object = MemberObject(target);
        std::vector<Variant> args{std::move(value)};
        object->Invoke(target.name, isSet ? InvokeKind::PropertyPutRef : InvokeKind::PropertyPut,
                       args);
        return;
    }
    case ExprKind::Call: {
        const Expr& callee = *target.object;
        if (callee.kind == ExprKind::Member) {
            auto object = MemberObject(callee);
            std::vector<Variant> args = EvalArgs(target.args);
            args.push_back(std::move(value));
            object->Invoke(callee.name,
                           isSet ? InvokeKind::PropertyPutRef : InvokeKind::PropertyPut, args);
            return;
        }
        if (callee.kind == ExprKind::Call) {
            // d("outer")("inner") = v: assigns the default member of the object
            // the inner call gives.
            const Variant holder = Eval(callee);
            if (!holder.IsObject()) {
                throw RuntimeError(err::kIllegalAssignment);
            }
            std::vector<Variant> args = EvalArgs(target.args);
            args.push_back(std::move(value));
            RequireObject(holder)->Invoke(
                "", isSet ? InvokeKind::PropertyPutRef : InvokeKind::PropertyPut, args);
            return;
        }
        if (callee.kind != ExprKind::Name) {
            throw RuntimeError(err::kIllegalAssignment);
        }
        Cell cell = FindVariable(callee.name);
        if (!cell) {
            throw NamedError(OptionExplicit() ? err::kUndefined : err::kTypeMismatch, callee.name);
        }
        std::vector<Variant> args = EvalArgs(target.args);
        if (cell->IsArray()) {
            std::vector<std::int32_t> subscripts;
            for (const auto& a : args) {
                subscripts.push_back(a.ToLong());
            }
            ArrayData& array = cell->MutableArray();
            array.items[array.Offset(subscripts)] = std::move(value);
            return;
        }
        if (cell->IsObject()) {
            args.push_back(std::move(value));
            RequireObject(*cell)->Invoke(
                "", isSet ? InvokeKind::PropertyPutRef : InvokeKind::PropertyPut, args);
            return;
        }
        throw RuntimeError(err::kTypeMismatch);
    }
    default:
        throw RuntimeError(err::kIllegalAssignment);
    }
}

} // namespace ob::vbscript
