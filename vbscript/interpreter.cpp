// The interpreter's life cycle and entry points: Reset, the budget of a call,
// AddCode, Run, Eval / Execute texts and the cache of compiled texts.
#include "vbscript/interpreter.h"

#include "vbscript/parser.h"
#include "vbscript/stack_guard.h"

#include <new>
#include <optional>
#include <utility>

namespace ob::vbscript {

Interpreter::Interpreter()
    : self_(std::make_shared<Interpreter*>(this)), err_(std::make_shared<ErrObject>()) {
    Reset();
}

Interpreter::~Interpreter() {
    // The objects the script still holds end with the control: their Class_Terminate
    // runs as at a Reset.
    try {
        Reset();
    } catch (...) {
    }
    *self_ = nullptr; // objects that outlive the interpreter no longer call into it
}

void Interpreter::AddObject(std::string name, std::shared_ptr<Object> object) {
    hostObjects_[std::move(name)] = std::move(object);
}

void Interpreter::Reset() {
    frames_.clear();
    withStack_.clear();
    Frame global;
    global.serial = ++frameSerial_;
    global.scope = &globals_;
    frames_.push_back(global);
    if (!globals_.vars.empty()) {
        // The objects the script still holds end here: their Class_Terminate runs
        // now, while their classes are still known, within a budget of its own.
        // Whatever it does (an error, a time-out, a quit request) the reset goes on.
        Scope dropped = std::exchange(globals_, Scope{});
        Declared();
        try {
            dropped = Scope{};
        } catch (...) {
        }
        // Each Class_Terminate gets the budget of a call; one that fails or runs out
        // ends alone. Terminates that make new objects to terminate are bounded too.
        // (Measuring the stack costs a read of the process's memory map: only when
        // there is script code to run.)
        std::optional<StackGuard::Scope> stack;
        if (!pendingTerminates_.empty()) {
            stack.emplace();
        }
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
    Declared();
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
    Declared();
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
        throw RuntimeError(err::kSyntax);
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

} // namespace ob::vbscript
