// Evaluating expressions: literals, names, members, calls and indexes, operators,
// and the default member of objects used as values.
#include "vbscript/interpreter.h"

#include "vbscript/builtins.h"
#include "vbscript/named_constants.h"
#include "vbscript/stack_guard.h"

namespace ob::vbscript {

std::shared_ptr<Object> Interpreter::RequireObject(const Variant& v) {
    if (!v.IsObject() || !v.ObjectValue()) {
        throw RuntimeError(err::kObjectRequired);
    }
    return v.ObjectValue();
}

Variant Interpreter::ObjectDefault(const Variant& v) {
    auto object = RequireObject(v);
    std::vector<Variant> none;
    return object->Invoke("", InvokeKind::PropertyGet, none);
}

std::shared_ptr<Object> Interpreter::MemberObject(const Expr& member) {
    if (member.object) {
        return RequireObject(Eval(*member.object));
    }
    if (withStack_.size() <= Current().withBase) {
        throw RuntimeError(err::kObjectRequired); // ".name" outside With
    }
    return RequireObject(withStack_.back());
}

std::vector<Variant> Interpreter::EvalArgs(const std::vector<ExprPtr>& args) {
    std::vector<Variant> values;
    values.reserve(args.size());
    for (const auto& a : args) {
        values.push_back(a ? Eval(*a) : Variant());
    }
    return values;
}

Variant Interpreter::Eval(const Expr& e) {
    StackGuard::Check();
    switch (e.kind) {
    case ExprKind::Literal:
        return e.value;
    case ExprKind::Name:
        return EvalName(e);
    case ExprKind::Member:
    case ExprKind::Call: {
        Variant value = e.kind == ExprKind::Call ? EvalCall(e) : EvalMember(e);
        if (!pendingTerminates_.empty()) {
            // An object whose last reference went with the call (a procedure's
            // local, a temporary such as "(New C).F") ends before the expression
            // goes on.
            RunPendingTerminates();
        }
        return value;
    }
    case ExprKind::Unary: {
        const Variant operand = Eval(*e.left);
        return e.op == Op::Not ? Not(operand) : Negate(operand);
    }
    case ExprKind::Binary:
        return EvalBinary(e);
    case ExprKind::New:
        return NewInstance(e.name);
    }
    return {};
}

Variant Interpreter::EvalName(const Expr& e) {
    if (Current().self && IsMe(e.name)) {
        return Variant::FromObject(Current().self);
    }
    if (const Variant* cell = Resolve(e).cell) {
        return *cell;
    }
    if (Callable callable = FindCallable(e.name)) {
        return CallProcedure(callable, {});
    }
    if (auto it = hostObjects_.find(e.name); it != hostObjects_.end()) {
        return Variant::FromObject(it->second);
    }
    if (text::EqualsIgnoringCase(e.name, "err")) {
        return Variant::FromObject(err_);
    }
    Variant constant;
    if (FindConstant(e.name, constant)) {
        return constant;
    }
    if (const Builtin* builtin = FindBuiltin(e.name)) {
        if (builtin->minArgs > 0) {
            throw NamedError(err::kWrongArguments, e.name);
        }
        std::vector<Variant> none;
        return builtin->function(*this, none);
    }
    if (OptionExplicit()) {
        throw NamedError(err::kUndefined, e.name);
    }
    return {};
}

Variant Interpreter::EvalMember(const Expr& e) {
    auto object = MemberObject(e);
    std::vector<Variant> none;
    return object->Invoke(e.name, InvokeKind::PropertyGet, none);
}

Variant Interpreter::IndexValue(const Variant& target, const std::vector<ExprPtr>& args) {
    if (target.IsArray()) {
        std::vector<std::int32_t> subscripts;
        for (const auto& a : args) {
            if (!a) {
                throw RuntimeError(err::kSubscript);
            }
            subscripts.push_back(Eval(*a).ToLong());
        }
        const ArrayData& array = *target.ArrayValue();
        return array.items[array.Offset(subscripts)];
    }
    if (target.IsObject()) {
        auto object = RequireObject(target);
        std::vector<Variant> values = EvalArgs(args);
        return object->Invoke("", InvokeKind::Method, values);
    }
    throw RuntimeError(err::kTypeMismatch);
}

Variant Interpreter::EvalCall(const Expr& e) {
    const Expr& callee = *e.object;
    if (callee.kind == ExprKind::Name) {
        const std::string& name = callee.name;
        const Procedure* self = Current().proc;
        const bool recursive =
            self && self->isFunction && text::EqualsIgnoringCase(self->name, name);
        if (!recursive) {
            if (const Variant* cell = Resolve(callee).cell) {
                const Variant target = *cell; // the call may change the variable
                return IndexValue(target, e.args);
            }
        }
        if (Callable callable = FindCallable(name)) {
            return CallProcedure(callable, e.args);
        }
        if (auto it = hostObjects_.find(name); it != hostObjects_.end()) {
            return IndexValue(Variant::FromObject(it->second), e.args);
        }
        if (text::EqualsIgnoringCase(name, "err")) {
            return IndexValue(Variant::FromObject(err_), e.args);
        }
        if (const Builtin* builtin = FindBuiltin(name)) {
            const int count = static_cast<int>(e.args.size());
            if (count < builtin->minArgs || count > builtin->maxArgs) {
                throw NamedError(err::kWrongArguments, name);
            }
            std::vector<Variant> values = EvalArgs(e.args);
            return builtin->function(*this, values);
        }
        throw NamedError(OptionExplicit() ? err::kUndefined : err::kTypeMismatch, name);
    }
    if (callee.kind == ExprKind::Member) {
        auto object = MemberObject(callee);
        std::vector<Variant> values = EvalArgs(e.args);
        return object->Invoke(callee.name, InvokeKind::Method, values);
    }
    return IndexValue(Eval(callee), e.args);
}

Variant Interpreter::EvalBinary(const Expr& e) {
    if (e.op == Op::Is) {
        const Variant a = Eval(*e.left);
        const Variant b = Eval(*e.right);
        if (!a.IsObject() || !b.IsObject()) {
            throw RuntimeError(err::kObjectRequired);
        }
        return Variant::Boolean(a.ObjectValue() == b.ObjectValue());
    }
    // Operands that are literals or variables are read in place rather than copied.
    // The left one only when evaluating the right one cannot run script code,
    // which might change the left variable after its value was taken.
    Variant leftValue;
    Variant rightValue;
    const Variant* right = Peek(*e.right);
    const Variant* left = right ? Peek(*e.left) : nullptr;
    if (!left) {
        leftValue = Eval(*e.left);
        left = &leftValue;
        right = Peek(*e.right); // the left side may have declared variables
    }
    if (!right) {
        rightValue = Eval(*e.right);
        right = &rightValue;
    }
    if (left->IsObject() || right->IsObject()) {
        // A default member is script code that may change a variable read in place:
        // take both values first.
        if (left != &leftValue) {
            leftValue = *left;
        }
        if (right != &rightValue) {
            rightValue = *right;
        }
        left = &leftValue;
        right = &rightValue;
        if (leftValue.IsObject()) {
            leftValue = ObjectDefault(leftValue);
        }
        if (rightValue.IsObject()) {
            rightValue = ObjectDefault(rightValue);
        }
    }
    const Variant& a = *left;
    const Variant& b = *right;
    auto compare = [&](auto test) {
        const int c = Compare(a, b, CompareMode::Binary, e.left->kind == ExprKind::Literal,
                              e.right->kind == ExprKind::Literal);
        return c == 2 ? Variant::Null() : Variant::Boolean(test(c));
    };
    switch (e.op) {
    case Op::Add:
        return Add(a, b);
    case Op::Subtract:
        return Subtract(a, b);
    case Op::Multiply:
        return Multiply(a, b);
    case Op::Divide:
        return Divide(a, b);
    case Op::IntDivide:
        return IntDivide(a, b);
    case Op::Modulo:
        return Modulo(a, b);
    case Op::Power:
        return Power(a, b);
    case Op::Concat:
        return Concat(a, b);
    case Op::And:
        return And(a, b);
    case Op::Or:
        return Or(a, b);
    case Op::Xor:
        return Xor(a, b);
    case Op::Eqv:
        return Eqv(a, b);
    case Op::Imp:
        return Imp(a, b);
    case Op::Equal:
        return compare([](int c) { return c == 0; });
    case Op::NotEqual:
        return compare([](int c) { return c != 0; });
    case Op::Less:
        return compare([](int c) { return c < 0; });
    case Op::Greater:
        return compare([](int c) { return c > 0; });
    case Op::LessEqual:
        return compare([](int c) { return c <= 0; });
    case Op::GreaterEqual:
        return compare([](int c) { return c >= 0; });
    default:
        throw RuntimeError(err::kSyntax);
    }
}

} // namespace ob::vbscript
