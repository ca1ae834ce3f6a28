// Running statements: blocks (with On Error Resume Next), the control statements,
// declarations (Dim, ReDim, Const, Erase) and call statements.
#include "vbscript/interpreter.h"

#include "vbscript/stack_guard.h"

#include <new>

namespace ob::vbscript {

namespace {

bool IsTrue(const Variant& v) {
    return !v.IsNull() && v.ToBool();
}

} // namespace

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
        } catch (const std::bad_alloc&) {
            ScriptException e(err::kOutOfMemory);
            if (!Current().resumeNext) {
                Annotate(e, stmt->line);
                throw e;
            }
            err_->Set(e);
        }
        // The objects whose last reference went with the statement (or with the
        // procedures a failing statement left) end before the next one runs.
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
            Declared();
            scope.constants.insert(item.name);
        }
        return Flow::Normal;
    case StmtKind::If:
        for (const auto& branch : s.branches) {
            if (TestCondition(*branch.condition) != Condition::False) {
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
        while (TestCondition(*s.condition) != Condition::False) {
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
                throw RuntimeError(err::kInvalidExit);
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
void Interpreter::ExecDim(const Stmt& s) {
    Scope& scope = *Current().scope;
    for (const auto& item : s.dims) {
        if (scope.constants.contains(item.name)) {
            throw NamedError(err::kNameRedefined, item.name);
        }
        Cell& cell = scope.vars[item.name];
        if (!cell) {
            cell = std::make_shared<Variant>();
            Declared();
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
            throw RuntimeError(err::kFixedArray);
        }
        auto fresh = ArrayData::Make(upper);
        if (s.preserve && cell->IsArray() && !cell->ArrayValue()->upper.empty()) {
            const ArrayData& old = *cell->ArrayValue();
            if (old.upper.size() != upper.size()) {
                throw RuntimeError(err::kSubscript);
            }
            for (std::size_t i = 0; i + 1 < upper.size(); ++i) {
                if (old.upper[i] != upper[i]) {
                    throw RuntimeError(err::kSubscript);
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
        throw RuntimeError(err::kTypeMismatch);
    }
    const double limitValue = limit.ToDouble();
    const bool down = step.ToDouble() < 0;
    if (IsConstant(s.name)) {
        throw RuntimeError(err::kIllegalAssignment);
    }
    Cell cell = VariableForWrite(s.name);
    *cell = start;
    for (;;) {
        // The counter as the body left it (it may assign it); Integers and Longs
        // need no conversion.
        const double current = cell->Type() == VarType::Integer || cell->Type() == VarType::Long
                                   ? static_cast<double>(cell->ToLong())
                                   : cell->ToDouble();
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
        if (cell->IsIntegerOrLong() && step.IsIntegerOrLong()) {
            cell->SetIntegral(std::int64_t{cell->ToLong()} + step.ToLong(),
                              cell->Type() == VarType::Integer && step.Type() == VarType::Integer);
        } else {
            *cell = Add(*cell, step);
        }
    }
}

Interpreter::Flow Interpreter::ExecForEach(const Stmt& s) {
    const Variant group = Eval(*s.value);
    std::vector<Variant> items;
    if (group.IsArray()) {
        items = group.ArrayValue()->items; // a snapshot: the body may change the array
    } else if (group.IsObject() && group.ObjectValue()) {
        if (!group.ObjectValue()->Enumerate(items)) {
            throw RuntimeError(451);
        }
    } else {
        throw RuntimeError(group.IsObject() ? err::kObjectRequired : 451);
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

// Under On Error Resume Next a condition that fails resumes at the next statement,
// which for If, ElseIf, While and Do While / Until is the first of the block.
Interpreter::Condition Interpreter::TestCondition(const Expr& e) {
    if (!Current().resumeNext) {
        return IsTrue(Eval(e)) ? Condition::True : Condition::False;
    }
    try {
        return IsTrue(Eval(e)) ? Condition::True : Condition::False;
    } catch (ScriptException& error) {
        err_->Set(error);
    } catch (const std::bad_alloc&) {
        err_->Set(ScriptException(err::kOutOfMemory));
    }
    return Condition::Failed;
}

Interpreter::Flow Interpreter::ExecDo(const Stmt& s) {
    // A failing condition at the top enters the body; at the end (Loop While c) it
    // resumes after the loop: either way the statement after the failing one.
    auto keepGoing = [&]() {
        if (!s.condition) {
            return true;
        }
        const Condition value = TestCondition(*s.condition);
        if (value == Condition::Failed) {
            return !s.testAtEnd;
        }
        return (value == Condition::True) != s.untilLoop;
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

} // namespace ob::vbscript
