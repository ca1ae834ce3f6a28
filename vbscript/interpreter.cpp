#include "vbscript/interpreter.h"

#include "vbscript/builtins.h"
#include "vbscript/class_registry.h"
#include "vbscript/parser.h"
#include "vbscript/stack_guard.h"

#include <new>
#include <utility>

namespace ob::vbscript {

namespace {

ScriptException Error(long number, int line = 0) {
    ScriptException e(number);
    e.line = line;
    return e;
}

ScriptException NamedError(long number, std::string_view name) {
    ScriptException e(number);
    e.description += ": '" + std::string(name) + "'";
    return e;
}

bool IsTrue(const Variant& v) {
    return !v.IsNull() && v.ToBool();
}

} // namespace

// Pushes a frame and pops it again however the call ends.
class Interpreter::FrameGuard {
public:
    FrameGuard(Interpreter& in, Frame frame) : in_(in) { in_.frames_.push_back(frame); }
    ~FrameGuard() { in_.frames_.pop_back(); }
    FrameGuard(const FrameGuard&) = delete;
    FrameGuard& operator=(const FrameGuard&) = delete;

private:
    Interpreter& in_;
};

Interpreter::Interpreter()
    : self_(std::make_shared<Interpreter*>(this)), err_(std::make_shared<ErrObject>()) {
    Reset();
}

Interpreter::~Interpreter() {
    *self_ = nullptr; // objects that outlive the interpreter no longer call into it
}

void Interpreter::AddObject(std::string name, std::shared_ptr<Object> object) {
    hostObjects_[std::move(name)] = std::move(object);
}

void Interpreter::Reset() {
    frames_.clear();
    withStack_.clear();
    Frame global;
    global.scope = &globals_;
    frames_.push_back(global);
    if (!globals_.vars.empty()) {
        // The objects the script still holds end here: their Class_Terminate runs
        // now, while their classes are still known, within a budget of its own.
        // Whatever it does (an error, a time-out, a quit request) the reset goes on.
        Scope dropped = std::exchange(globals_, Scope{});
        try {
            dropped = Scope{};
        } catch (...) {
        }
        // Each Class_Terminate gets the budget of a call; one that fails or runs out
        // ends alone. Terminates that make new objects to terminate are bounded too.
        for (int round = 0; round < kMaxResetTerminates && !pendingTerminates_.empty(); ++round) {
            StartBudget();
            try {
                RunPendingTerminates();
            } catch (...) {
            }
            frames_.resize(1);
        }
    }
    globals_ = Scope{}; // anything Class_Terminate stored ends without it
    procedures_.clear();
    classes_.clear();
    pendingTerminates_.clear();
    units_.clear();
    err_->Clear();
}

void Interpreter::SetBudget(std::uint64_t steps, std::chrono::milliseconds timeout) {
    stepBudget_ = steps;
    timeout_ = timeout;
}

void Interpreter::StartBudget() {
    steps_ = 0;
    stepLimit_ = stepBudget_ == 0 ? UINT64_MAX : stepBudget_;
    deadlineActive_ = timeout_.count() > 0;
    if (deadlineActive_) {
        deadline_ = std::chrono::steady_clock::now() + timeout_;
    }
}

void Interpreter::CheckBudget() {
    if (steps_ > stepLimit_) {
        ScriptAbort abort;
        abort.description =
            "The script ran more than its budget of " + std::to_string(stepBudget_) + " statements";
        throw abort;
    }
    if (deadlineActive_ && std::chrono::steady_clock::now() >= deadline_) {
        ScriptAbort abort;
        abort.description = "The script ran longer than its time-out of " +
                            std::to_string(timeout_.count()) + " ms";
        throw abort;
    }
}

bool Interpreter::OptionExplicit() const {
    // Option Explicit holds for the code added with it (and its procedures), not
    // for code added later: every piece of added code has its own options.
    return Current().unit && Current().unit->optionExplicit;
}

void Interpreter::Annotate(ScriptException& e, int line) const {
    if (e.line == 0) {
        e.line = line;
        if (Current().unit) {
            e.text = Current().unit->Line(line);
        }
    }
}

void Interpreter::DefineProcedures(const Unit& unit) {
    for (const auto& proc : unit.procedures) {
        procedures_[proc->name] = proc;
    }
    for (const auto& decl : unit.classes) {
        classes_[decl->name] = decl;
    }
}

void Interpreter::Hoist(const Block& block, Scope& scope) {
    for (const auto& stmt : block) {
        if (stmt->kind == StmtKind::Dim) {
            for (const auto& item : stmt->dims) {
                if (!scope.vars.contains(item.name)) {
                    scope.vars[item.name] = std::make_shared<Variant>();
                }
            }
        }
        Hoist(stmt->body, scope);
        Hoist(stmt->elseBlock, scope);
        for (const auto& branch : stmt->branches) {
            Hoist(branch.body, scope);
        }
        for (const auto& clause : stmt->cases) {
            Hoist(clause.body, scope);
        }
    }
}

void Interpreter::RunUnit(const Unit& unit, Scope& scope) {
    Hoist(unit.body, scope);
    Frame frame = Current();
    frame.scope = &scope;
    frame.unit = &unit;
    FrameGuard guard(*this, frame);
    ExecBlock(unit.body);
    RunPendingTerminates();
}

void Interpreter::AddCode(std::string_view code) {
    StackGuard::Scope stack;
    StartBudget();
    std::shared_ptr<const Unit> unit = Compile(code);
    for (const auto& proc : unit->procedures) {
        if (hostObjects_.contains(proc->name)) {
            ScriptException e(err::kNameRedefined);
            e.line = proc->line;
            e.text = unit->Line(proc->line);
            throw e;
        }
    }
    DefineProcedures(*unit);
    const Unit& ref = *unit;
    units_.push_back(std::move(unit));
    frames_.resize(1);
    frames_[0].resumeNext = false;
    withStack_.clear();
    RunUnit(ref, globals_);
}

Variant Interpreter::Run(std::string_view name, std::vector<Variant> args) {
    StackGuard::Scope stack;
    StartBudget();
    frames_.resize(1);
    withStack_.clear();
    auto proc = FindProcedure(name);
    if (!proc) {
        throw NamedError(err::kTypeMismatch, name);
    }
    Variant result = CallWithValues(*proc, std::move(args));
    RunPendingTerminates();
    return result;
}

std::shared_ptr<Procedure> Interpreter::FindProcedure(std::string_view name) const {
    auto it = procedures_.find(name);
    return it == procedures_.end() ? nullptr : it->second;
}

Variant Interpreter::CallWithValues(const Procedure& proc, std::vector<Variant> args) {
    StackGuard::Scope stack;
    std::vector<Cell> cells;
    cells.reserve(args.size());
    for (auto& v : args) {
        cells.push_back(std::make_shared<Variant>(std::move(v)));
    }
    return Invoke(proc, std::move(cells));
}

Variant Interpreter::EvalText(std::string_view text) {
    std::unique_ptr<Unit> unit = Parse("x = " + std::string(text));
    if (unit->body.size() != 1 || unit->body[0]->kind != StmtKind::Assign ||
        !unit->procedures.empty()) {
        throw Error(err::kSyntax);
    }
    return Eval(*unit->body[0]->value);
}

std::shared_ptr<const Unit> Interpreter::Compile(std::string_view code) {
    for (auto it = compiled_.begin(); it != compiled_.end(); ++it) {
        if (it->first == code) {
            compiled_.splice(compiled_.begin(), compiled_, it); // most recent first
            return compiled_.front().second;
        }
    }
    std::shared_ptr<const Unit> unit = Parse(code);
    if (code.size() <= kMaxCachedText) {
        compiled_.emplace_front(std::string(code), unit);
        if (compiled_.size() > kCachedUnits) {
            compiled_.pop_back();
        }
    }
    return unit;
}

void Interpreter::ExecuteText(std::string_view text, bool global) {
    std::shared_ptr<const Unit> unit = Compile(text);
    DefineProcedures(*unit);
    const Unit& ref = *unit;
    if (!ref.procedures.empty() || !ref.classes.empty()) {
        units_.push_back(std::move(unit)); // its procedures outlive this call
    }
    RunUnit(ref, global ? globals_ : *Current().scope);
}

// ---- statements ----

Interpreter::Flow Interpreter::ExecBlock(const Block& block) {
    Tick(); // a loop with an empty body still counts its rounds
    for (const auto& stmt : block) {
        Flow flow = Flow::Normal;
        try {
            flow = Exec(*stmt);
        } catch (ScriptAbort& abort) {
            if (abort.line == 0) {
                abort.line = stmt->line;
                if (Current().unit) {
                    abort.text = Current().unit->Line(stmt->line);
                }
            }
            throw;
        } catch (ScriptException& e) {
            if (!Current().resumeNext) {
                Annotate(e, stmt->line);
                throw;
            }
            err_->Set(e);
            continue;
        } catch (const std::bad_alloc&) {
            ScriptException e(err::kOutOfMemory);
            if (!Current().resumeNext) {
                Annotate(e, stmt->line);
                throw e;
            }
            err_->Set(e);
            continue;
        }
        if (!pendingTerminates_.empty()) {
            RunPendingTerminates();
        }
        if (flow != Flow::Normal) {
            return flow;
        }
    }
    return Flow::Normal;
}

Interpreter::Flow Interpreter::Exec(const Stmt& s) {
    StackGuard::Check();
    Tick();
    switch (s.kind) {
    case StmtKind::Nop:
        return Flow::Normal;
    case StmtKind::Call:
        ExecCallStatement(*s.target);
        return Flow::Normal;
    case StmtKind::Assign:
        ExecAssign(s, false);
        return Flow::Normal;
    case StmtKind::Set:
        ExecAssign(s, true);
        return Flow::Normal;
    case StmtKind::Dim:
        ExecDim(s);
        return Flow::Normal;
    case StmtKind::ReDim:
        ExecReDim(s);
        return Flow::Normal;
    case StmtKind::Const:
        for (const auto& item : s.dims) {
            Variant value = Eval(*item.value);
            Scope& scope = *Current().scope;
            if (scope.constants.contains(item.name)) {
                throw NamedError(err::kNameRedefined, item.name);
            }
            scope.vars[item.name] = std::make_shared<Variant>(std::move(value));
            scope.constants.insert(item.name);
        }
        return Flow::Normal;
    case StmtKind::If:
        for (const auto& branch : s.branches) {
            if (IsTrue(Eval(*branch.condition))) {
                return ExecBlock(branch.body);
            }
        }
        return s.hasElse ? ExecBlock(s.elseBlock) : Flow::Normal;
    case StmtKind::Select:
        return ExecSelect(s);
    case StmtKind::For:
        return ExecFor(s);
    case StmtKind::ForEach:
        return ExecForEach(s);
    case StmtKind::Do:
        return ExecDo(s);
    case StmtKind::While:
        while (IsTrue(Eval(*s.condition))) {
            const Flow flow = ExecBlock(s.body);
            if (flow != Flow::Normal) {
                return flow;
            }
        }
        return Flow::Normal;
    case StmtKind::Erase:
        for (const auto& item : s.dims) {
            Cell cell = FindVariable(item.name);
            if (!cell || !cell->IsArray()) {
                throw NamedError(err::kTypeMismatch, item.name);
            }
            if (cell->ArrayValue()->fixed) {
                for (auto& element : cell->MutableArray().items) {
                    element = Variant(); // a fixed array keeps its size
                }
            } else {
                *cell = Variant::FromArray(std::make_shared<ArrayData>());
            }
        }
        return Flow::Normal;
    case StmtKind::With: {
        Variant object = Eval(*s.value);
        RequireObject(object);
        withStack_.push_back(std::move(object));
        struct Pop {
            std::vector<Variant>& stack;
            std::size_t size;
            ~Pop() { stack.resize(size); }
        } pop{withStack_, withStack_.size() - 1};
        return ExecBlock(s.body);
    }
    case StmtKind::Exit:
        switch (s.exitWhat) {
        case ExitKind::Do:
            return Flow::ExitDo;
        case ExitKind::For:
            return Flow::ExitFor;
        case ExitKind::Sub:
        case ExitKind::Function:
        case ExitKind::Property: {
            const Procedure* proc = Current().proc;
            const bool fits =
                proc && (s.exitWhat == ExitKind::Sub        ? proc->kind == ProcKind::Sub
                         : s.exitWhat == ExitKind::Function ? proc->kind == ProcKind::Function
                                                            : proc->kind >= ProcKind::PropertyGet);
            if (!fits) {
                throw Error(err::kInvalidExit);
            }
            return Flow::ExitProc;
        }
        }
        return Flow::Normal;
    case StmtKind::OnErrorResumeNext:
        Current().resumeNext = true;
        err_->Clear();
        return Flow::Normal;
    case StmtKind::OnErrorGoto0:
        Current().resumeNext = false;
        err_->Clear();
        return Flow::Normal;
    }
    return Flow::Normal;
}

void Interpreter::ExecCallStatement(const Expr& target) {
    if (target.kind == ExprKind::Name) {
        Callable callable = FindCallable(target.name);
        if (callable && !FindVariable(target.name)) {
            CallProcedure(callable, {});
            return;
        }
    }
    Eval(target);
}

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
        const Cell cell = FindVariable(e.name);
        // An object's default property is script code; "Me" is never a variable.
        return cell && !cell->IsObject() &&
               !(Current().self && text::EqualsIgnoringCase(e.name, "me"));
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
        if (const Cell cell = FindVariable(name)) {
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
    if (target.kind != ExprKind::Name) {
        return false;
    }
    const Expr* left = s.value.get();
    std::vector<const Expr*> pieces; // right operands, last first
    while (left->kind == ExprKind::Binary && left->op == Op::Concat) {
        pieces.push_back(left->right.get());
        left = left->left.get();
    }
    if (pieces.empty() || left->kind != ExprKind::Name ||
        !text::EqualsIgnoringCase(left->name, target.name) || IsConstant(target.name)) {
        return false;
    }
    const Cell cell = FindVariable(target.name);
    if (!cell || !cell->IsString() ||
        (Current().self && text::EqualsIgnoringCase(target.name, "me"))) {
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

void Interpreter::ExecAssign(const Stmt& s, bool isSet) {
    if (!isSet && AppendInPlace(s)) {
        return;
    }
    Variant value = Eval(*s.value);
    if (isSet) {
        if (!value.IsObject()) {
            throw Error(err::kObjectRequired);
        }
    } else if (value.IsObject()) {
        value = ObjectDefault(value);
    }
    const Expr& target = *s.target;
    switch (target.kind) {
    case ExprKind::Name: {
        if (IsConstant(target.name)) {
            throw Error(err::kIllegalAssignment);
        }
        if (const auto& self = Current().self; self && !FindVariable(target.name)) {
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
        Cell cell = VariableForWrite(target.name);
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
                throw Error(err::kIllegalAssignment);
            }
            std::vector<Variant> args = EvalArgs(target.args);
            args.push_back(std::move(value));
            RequireObject(holder)->Invoke(
                "", isSet ? InvokeKind::PropertyPutRef : InvokeKind::PropertyPut, args);
            return;
        }
        if (callee.kind != ExprKind::Name) {
            throw Error(err::kIllegalAssignment);
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
        throw Error(err::kTypeMismatch);
    }
    default:
        throw Error(err::kIllegalAssignment);
    }
}

void Interpreter::ExecDim(const Stmt& s) {
    Scope& scope = *Current().scope;
    for (const auto& item : s.dims) {
        if (scope.constants.contains(item.name)) {
            throw NamedError(err::kNameRedefined, item.name);
        }
        Cell& cell = scope.vars[item.name];
        if (!cell) {
            cell = std::make_shared<Variant>();
        }
        if (item.isArray) {
            std::vector<std::int32_t> upper;
            for (const auto& b : item.bounds) {
                upper.push_back(Eval(*b).ToLong());
            }
            auto array = upper.empty() ? std::make_shared<ArrayData>() : ArrayData::Make(upper);
            array->fixed = !upper.empty();
            *cell = Variant::FromArray(std::move(array));
        }
    }
}

void Interpreter::ExecReDim(const Stmt& s) {
    for (const auto& item : s.dims) {
        std::vector<std::int32_t> upper;
        for (const auto& b : item.bounds) {
            upper.push_back(Eval(*b).ToLong());
        }
        Cell cell = FindVariable(item.name);
        if (!cell) {
            cell = VariableForWrite(item.name);
        }
        if (cell->IsArray() && cell->ArrayValue()->fixed) {
            throw Error(err::kFixedArray);
        }
        auto fresh = ArrayData::Make(upper);
        if (s.preserve && cell->IsArray() && !cell->ArrayValue()->upper.empty()) {
            const ArrayData& old = *cell->ArrayValue();
            if (old.upper.size() != upper.size()) {
                throw Error(err::kSubscript);
            }
            for (std::size_t i = 0; i + 1 < upper.size(); ++i) {
                if (old.upper[i] != upper[i]) {
                    throw Error(err::kSubscript);
                }
            }
            // The first subscript varies fastest, so the kept elements are a prefix.
            const std::size_t keep = std::min(old.items.size(), fresh->items.size());
            std::copy(old.items.begin(), old.items.begin() + static_cast<std::ptrdiff_t>(keep),
                      fresh->items.begin());
        }
        *cell = Variant::FromArray(std::move(fresh));
    }
}

Interpreter::Flow Interpreter::ExecFor(const Stmt& s) {
    Variant start = Eval(*s.value);
    const Variant limit = Eval(*s.limit);
    const Variant step = s.step ? Eval(*s.step) : Variant::Integer(1);
    if (!start.IsNumeric() && !start.IsString()) {
        throw Error(err::kTypeMismatch);
    }
    const double limitValue = limit.ToDouble();
    const bool down = step.ToDouble() < 0;
    if (IsConstant(s.name)) {
        throw Error(err::kIllegalAssignment);
    }
    Cell cell = VariableForWrite(s.name);
    *cell = start;
    for (;;) {
        const double current = cell->ToDouble();
        if (down ? current < limitValue : current > limitValue) {
            return Flow::Normal;
        }
        const Flow flow = ExecBlock(s.body);
        if (flow == Flow::ExitFor) {
            return Flow::Normal;
        }
        if (flow != Flow::Normal) {
            return flow;
        }
        *cell = Add(*cell, step);
    }
}

Interpreter::Flow Interpreter::ExecForEach(const Stmt& s) {
    const Variant group = Eval(*s.value);
    std::vector<Variant> items;
    if (group.IsArray()) {
        items = group.ArrayValue()->items; // a snapshot: the body may change the array
    } else if (group.IsObject() && group.ObjectValue()) {
        if (!group.ObjectValue()->Enumerate(items)) {
            throw Error(451);
        }
    } else {
        throw Error(group.IsObject() ? err::kObjectRequired : 451);
    }
    Cell cell = VariableForWrite(s.name);
    for (auto& item : items) {
        *cell = std::move(item);
        const Flow flow = ExecBlock(s.body);
        if (flow == Flow::ExitFor) {
            return Flow::Normal;
        }
        if (flow != Flow::Normal) {
            return flow;
        }
    }
    return Flow::Normal;
}

Interpreter::Flow Interpreter::ExecDo(const Stmt& s) {
    auto keepGoing = [&]() {
        if (!s.condition) {
            return true;
        }
        const bool value = IsTrue(Eval(*s.condition));
        return s.untilLoop ? !value : value;
    };
    for (;;) {
        if (!s.testAtEnd && !keepGoing()) {
            return Flow::Normal;
        }
        const Flow flow = ExecBlock(s.body);
        if (flow == Flow::ExitDo) {
            return Flow::Normal;
        }
        if (flow != Flow::Normal) {
            return flow;
        }
        if (s.testAtEnd && !keepGoing()) {
            return Flow::Normal;
        }
    }
}

Interpreter::Flow Interpreter::ExecSelect(const Stmt& s) {
    const Variant value = Eval(*s.value);
    for (const auto& clause : s.cases) {
        bool match = clause.isElse;
        for (const auto& candidate : clause.values) {
            if (match) {
                break;
            }
            const Variant c = Eval(*candidate);
            match = Compare(value, c, CompareMode::Binary, s.value->kind == ExprKind::Literal,
                            candidate->kind == ExprKind::Literal) == 0;
        }
        if (match) {
            return ExecBlock(clause.body);
        }
    }
    return Flow::Normal;
}

// ---- names ----

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

// ---- expressions ----

std::shared_ptr<Object> Interpreter::RequireObject(const Variant& v) {
    if (!v.IsObject() || !v.ObjectValue()) {
        throw Error(err::kObjectRequired);
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
        throw Error(err::kObjectRequired); // ".name" outside With
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
        return EvalMember(e);
    case ExprKind::Call:
        return EvalCall(e);
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
    if (Current().self && text::EqualsIgnoringCase(e.name, "me")) {
        return Variant::FromObject(Current().self);
    }
    if (Cell cell = FindVariable(e.name)) {
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
                throw Error(err::kSubscript);
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
    throw Error(err::kTypeMismatch);
}

Variant Interpreter::EvalCall(const Expr& e) {
    const Expr& callee = *e.object;
    if (callee.kind == ExprKind::Name) {
        const std::string& name = callee.name;
        const Procedure* self = Current().proc;
        const bool recursive =
            self && self->isFunction && text::EqualsIgnoringCase(self->name, name);
        if (!recursive) {
            if (Cell cell = FindVariable(name)) {
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
            throw Error(err::kObjectRequired);
        }
        return Variant::Boolean(a.ObjectValue() == b.ObjectValue());
    }
    Variant a = Eval(*e.left);
    Variant b = Eval(*e.right);
    if (a.IsObject()) {
        a = ObjectDefault(a);
    }
    if (b.IsObject()) {
        b = ObjectDefault(b);
    }
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
        throw Error(err::kSyntax);
    }
}

// ---- procedures ----

Variant Interpreter::CallProcedure(const Callable& callable, const std::vector<ExprPtr>& args) {
    const Procedure& proc = *callable.proc;
    if (args.size() != proc.params.size()) {
        throw NamedError(err::kWrongArguments, proc.name);
    }
    // An array element passed ByRef is copied in and written back after the call.
    struct WriteBack {
        Cell array;
        std::vector<std::int32_t> subscripts;
        Cell value;
    };
    std::vector<WriteBack> writeBacks;
    std::vector<Cell> cells;
    cells.reserve(args.size());
    for (std::size_t i = 0; i < args.size(); ++i) {
        const Expr* arg = args[i].get();
        if (!arg) {
            throw NamedError(err::kWrongArguments, proc.name);
        }
        const bool byRef = !proc.params[i].byVal && !arg->parenthesized;
        // A plain variable passed ByRef shares its cell with the parameter.
        if (byRef && arg->kind == ExprKind::Name && !IsConstant(arg->name)) {
            Cell cell = FindVariable(arg->name);
            if (!cell && !IsKnownNonVariable(arg->name) && !OptionExplicit()) {
                cell = DeclareVariable(arg->name);
            }
            if (cell) {
                cells.push_back(std::move(cell));
                continue;
            }
        }
        if (byRef && arg->kind == ExprKind::Call && arg->object->kind == ExprKind::Name) {
            Cell array = FindVariable(arg->object->name);
            if (array && array->IsArray()) {
                std::vector<std::int32_t> subscripts;
                for (const auto& index : arg->args) {
                    if (!index) {
                        throw Error(err::kSubscript);
                    }
                    subscripts.push_back(Eval(*index).ToLong());
                }
                const ArrayData& data = *array->ArrayValue();
                auto value = std::make_shared<Variant>(data.items[data.Offset(subscripts)]);
                cells.push_back(value);
                writeBacks.push_back({std::move(array), std::move(subscripts), std::move(value)});
                continue;
            }
        }
        cells.push_back(std::make_shared<Variant>(Eval(*arg)));
    }
    Variant result = Invoke(proc, std::move(cells), callable.self);
    for (auto& back : writeBacks) {
        // The procedure may have resized or replaced the array: write back only
        // where the element still exists.
        if (back.array->IsArray()) {
            ArrayData& data = back.array->MutableArray();
            if (data.upper.size() == back.subscripts.size()) {
                bool inside = true;
                for (std::size_t d = 0; d < data.upper.size(); ++d) {
                    inside =
                        inside && back.subscripts[d] >= 0 && back.subscripts[d] <= data.upper[d];
                }
                if (inside) {
                    data.items[data.Offset(back.subscripts)] = std::move(*back.value);
                }
            }
        }
    }
    return result;
}

Variant Interpreter::Invoke(const Procedure& proc, std::vector<Cell> cells,
                            std::shared_ptr<ClassInstance> self) {
    StackGuard::Check();
    if (cells.size() != proc.params.size()) {
        throw NamedError(err::kWrongArguments, proc.name);
    }
    Scope locals;
    for (std::size_t i = 0; i < cells.size(); ++i) {
        if (proc.params[i].byVal) {
            locals.vars[proc.params[i].name] = std::make_shared<Variant>(*cells[i]);
        } else {
            locals.vars[proc.params[i].name] = std::move(cells[i]);
        }
    }
    Cell result;
    if (proc.isFunction) {
        result = std::make_shared<Variant>();
        locals.vars[proc.name] = result;
    }
    Hoist(proc.body, locals);
    Frame frame;
    frame.scope = &locals;
    frame.proc = &proc;
    frame.unit = proc.unit;
    frame.withBase = withStack_.size();
    frame.self = std::move(self);
    FrameGuard guard(*this, frame);
    ExecBlock(proc.body);
    return result ? std::move(*result) : Variant();
}

// ---- classes ----

std::shared_ptr<Procedure> Interpreter::FindMethod(const ClassDecl& decl, std::string_view name,
                                                   bool (*accept)(ProcKind)) {
    for (const auto& method : decl.methods) {
        if (accept(method->kind) &&
            (name.empty() ? method->isDefault : text::EqualsIgnoringCase(method->name, name))) {
            return method;
        }
    }
    return nullptr;
}

namespace {

bool IsReadable(ProcKind kind) {
    return kind == ProcKind::Sub || kind == ProcKind::Function || kind == ProcKind::PropertyGet;
}
bool IsLet(ProcKind kind) {
    return kind == ProcKind::PropertyLet;
}
bool IsSet(ProcKind kind) {
    return kind == ProcKind::PropertySet;
}

} // namespace

Interpreter::Callable Interpreter::FindCallable(std::string_view name) const {
    if (const auto& self = Current().self) {
        if (auto method = FindMethod(self->Decl(), name, IsReadable)) {
            return Callable{std::move(method), self};
        }
    }
    auto it = procedures_.find(name);
    return Callable{it == procedures_.end() ? nullptr : it->second, nullptr};
}

Variant Interpreter::NewInstance(std::string_view className) {
    auto it = classes_.find(className);
    if (it == classes_.end() && text::EqualsIgnoringCase(className, "RegExp")) {
        // The one built-in class `New` can make (a script class of that name wins).
        return Variant::FromObject(CreateObjectByProgId("VBScript.RegExp"));
    }
    if (it == classes_.end()) {
        ScriptException e(506, "Class not defined");
        e.description += ": '" + std::string(className) + "'";
        throw e;
    }
    const std::shared_ptr<ClassDecl> decl = it->second;
    auto instance = std::make_shared<ClassInstance>(self_, decl);
    for (const auto& field : decl->fields) {
        auto cell = std::make_shared<Variant>();
        if (field.isArray) {
            std::vector<std::int32_t> upper;
            for (const auto& b : field.bounds) {
                upper.push_back(Eval(*b).ToLong());
            }
            auto array = upper.empty() ? std::make_shared<ArrayData>() : ArrayData::Make(upper);
            array->fixed = !upper.empty();
            *cell = Variant::FromArray(std::move(array));
        }
        instance->Fields()[field.name] = std::move(cell);
    }
    if (auto init = FindMethod(*decl, "Class_Initialize", IsReadable)) {
        if (!init->params.empty()) {
            throw Error(err::kWrongArguments);
        }
        Invoke(*init, {}, instance);
    }
    return Variant::FromObject(std::move(instance));
}

Variant Interpreter::InvokeMember(ClassInstance& instance, std::string_view name, InvokeKind kind,
                                  std::vector<Variant>& args) {
    StackGuard::Check();
    std::shared_ptr<ClassInstance> self = instance.shared_from_this();
    const ClassDecl& decl = instance.Decl();
    const bool inside = Current().self.get() == &instance;
    const bool put = kind == InvokeKind::PropertyPut || kind == InvokeKind::PropertyPutRef;
    auto visible = [&](bool isPublic) { return isPublic || inside; };

    auto toCells = [](std::vector<Variant>& values) {
        std::vector<Cell> cells;
        for (auto& v : values) {
            cells.push_back(std::make_shared<Variant>(std::move(v)));
        }
        return cells;
    };

    // A method, property or the default member.
    std::shared_ptr<Procedure> method =
        put ? FindMethod(decl, name, kind == InvokeKind::PropertyPutRef ? IsSet : IsLet)
            : FindMethod(decl, name, IsReadable);
    if (method && visible(method->isPublic)) {
        if (method->params.size() != args.size()) {
            throw Error(err::kWrongArguments);
        }
        return Invoke(*method, toCells(args), std::move(self));
    }
    if (name.empty()) {
        throw Error(err::kNoSuchMember);
    }
    // A member variable.
    for (const auto& field : decl.fields) {
        if (!text::EqualsIgnoringCase(field.name, name) || !visible(field.isPublic)) {
            continue;
        }
        Cell& cell = instance.Fields()[field.name];
        if (!put) {
            if (args.empty()) {
                return *cell;
            }
            if (!cell->IsArray()) {
                throw Error(err::kTypeMismatch);
            }
            std::vector<std::int32_t> subscripts;
            for (const auto& a : args) {
                subscripts.push_back(a.ToLong());
            }
            const ArrayData& array = *cell->ArrayValue();
            return array.items[array.Offset(subscripts)];
        }
        Variant value = std::move(args.back());
        args.pop_back();
        if (kind == InvokeKind::PropertyPutRef && !value.IsObject()) {
            throw Error(err::kObjectRequired);
        }
        if (args.empty()) {
            *cell = std::move(value);
            return {};
        }
        if (!cell->IsArray()) {
            throw Error(err::kTypeMismatch);
        }
        std::vector<std::int32_t> subscripts;
        for (const auto& a : args) {
            subscripts.push_back(a.ToLong());
        }
        ArrayData& array = cell->MutableArray();
        array.items[array.Offset(subscripts)] = std::move(value);
        return {};
    }
    throw Error(err::kNoSuchMember);
}

void Interpreter::QueueTerminate(std::shared_ptr<const ClassDecl> decl, VariableMap fields) {
    if (FindMethod(*decl, "Class_Terminate", IsReadable)) {
        pendingTerminates_.emplace_back(std::move(decl), std::move(fields));
    }
}

void Interpreter::RunPendingTerminates() {
    if (terminating_) {
        return; // the outer drain picks up what this one would have run
    }
    terminating_ = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{terminating_};
    while (!pendingTerminates_.empty()) {
        auto [decl, fields] = std::move(pendingTerminates_.front());
        pendingTerminates_.pop_front();
        auto instance = std::make_shared<ClassInstance>(self_, decl);
        instance->Fields() = std::move(fields);
        instance->MarkTerminated();
        auto terminate = FindMethod(*decl, "Class_Terminate", IsReadable);
        try {
            Invoke(*terminate, {}, instance);
        } catch (const ScriptException&) {
            // An error inside Class_Terminate ends only Class_Terminate.
        }
    }
}

} // namespace ob::vbscript
