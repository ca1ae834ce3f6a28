// The VBScript evaluator: holds the global state of a script (variables,
// procedures, host objects, the Err object) and runs added code by walking its
// syntax tree. Errors are thrown as ScriptException carrying the line and its
// text; a host object may throw QuitRequest to end the script.
//
// Not thread-safe: one thread uses an interpreter at a time.
#pragma once

#include "vbscript/ast.h"
#include "vbscript/class_instance.h"
#include "vbscript/err_object.h"
#include "vbscript/object.h"

#include "platform/text/ascii_case.h"

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <list>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace ob::vbscript {

class Interpreter {
public:
    Interpreter();
    ~Interpreter();
    Interpreter(const Interpreter&) = delete;
    Interpreter& operator=(const Interpreter&) = delete;

    /// Adds a named global object (WScript): it survives Reset().
    void AddObject(std::string name, std::shared_ptr<Object> object);
    /// Drops all code, variables and procedures.
    void Reset();
    /// Compiles the code, defines its procedures and runs its module-level code.
    void AddCode(std::string_view code);
    /// Calls a procedure by name with values (passed by value).
    Variant Run(std::string_view name, std::vector<Variant> args);
    /// Bounds each later AddCode and Run call: at most `steps` statements and loop
    /// rounds (0: no bound) and at most `timeout` of running time (zero or less:
    /// none). A call that runs out ends with ScriptAbort.
    void SetBudget(std::uint64_t steps, std::chrono::milliseconds timeout);
    /// Whether MsgBox and InputBox may talk to the user; when not, they fail with
    /// Permission denied (70).
    void SetAllowUI(bool allow) { allowUI_ = allow; }
    bool AllowUI() const { return allowUI_; }
    /// Where MsgBox writes when there is no desktop.
    void SetOutput(std::ostream* out) { out_ = out; }
    std::ostream* Output() const { return out_; }
    ErrObject& Err() { return *err_; }
    std::shared_ptr<ErrObject> ErrShared() { return err_; }

    /// Evaluates an expression written as text (Eval).
    Variant EvalText(std::string_view text);
    /// Runs statements written as text in the current scope (Execute) or the
    /// global one (ExecuteGlobal).
    void ExecuteText(std::string_view text, bool global);
    /// A procedure by name, or null (GetRef).
    std::shared_ptr<Procedure> FindProcedure(std::string_view name) const;
    /// Calls a procedure with values (GetRef objects).
    Variant CallWithValues(const Procedure& proc, std::vector<Variant> args);

    /// A member of a script object, called from outside or through Me.
    Variant InvokeMember(ClassInstance& instance, std::string_view name, InvokeKind kind,
                         std::vector<Variant>& args);
    /// Keeps the member variables of a dying object until Class_Terminate can run.
    void QueueTerminate(std::shared_ptr<const ClassDecl> decl, VariableMap fields);

private:
    using NameMap = VariableMap;
    using NameSet = std::unordered_set<std::string, text::CaseBlindHash, text::CaseBlindEqual>;

    struct Scope {
        NameMap vars;
        NameSet constants;
    };

    struct Frame {
        std::uint64_t serial = 0; ///< unique among the frames of this interpreter
        Scope* scope = nullptr;   ///< locals; the global scope for module-level code
        const Procedure* proc = nullptr;
        const Unit* unit = nullptr;
        bool resumeNext = false;
        std::size_t withBase = 0;            ///< With objects of this frame: withStack_[withBase..]
        std::shared_ptr<ClassInstance> self; ///< Me, inside a class's procedures
    };

    /// A procedure found by name, with the object it belongs to (class members).
    struct Callable {
        std::shared_ptr<Procedure> proc;
        std::shared_ptr<ClassInstance> self;
        explicit operator bool() const { return proc != nullptr; }
    };

    enum class Flow { Normal, ExitDo, ExitFor, ExitProc };
    /// The outcome of a condition: Failed when it raised an error under On Error
    /// Resume Next (the error is in Err).
    enum class Condition { False, True, Failed };

    // Pushes a frame and pops it again however the call ends.
    class FrameGuard {
    public:
        FrameGuard(Interpreter& in, Frame frame) : in_(in) {
            frame.serial = ++in_.frameSerial_;
            in_.frames_.push_back(frame);
        }
        ~FrameGuard() { in_.frames_.pop_back(); }
        FrameGuard(const FrameGuard&) = delete;
        FrameGuard& operator=(const FrameGuard&) = delete;

    private:
        Interpreter& in_;
    };

    // statements
    Flow ExecBlock(const Block& block);
    Flow Exec(const Stmt& stmt);
    void ExecAssign(const Stmt& stmt, bool isSet);
    bool AppendInPlace(const Stmt& stmt);
    bool AssignIntegerArithmetic(const Stmt& stmt);
    /// The expression only computes a value: evaluating it runs no script code.
    bool IsPlainValue(const Expr& e) const;
    void ExecDim(const Stmt& stmt);
    void ExecReDim(const Stmt& stmt);
    Flow ExecFor(const Stmt& stmt);
    Flow ExecForEach(const Stmt& stmt);
    Flow ExecDo(const Stmt& stmt);
    Flow ExecSelect(const Stmt& stmt);
    Condition TestCondition(const Expr& e);
    void ExecCallStatement(const Expr& target);
    void RunUnit(const Unit& unit, Scope& scope);
    /// The syntax tree of a text, from the cache of recent texts or parsed now.
    std::shared_ptr<const Unit> Compile(std::string_view code);
    void DefineProcedures(const Unit& unit);
    static void Hoist(const Block& block, Scope& scope);

    // expressions
    Variant Eval(const Expr& e);
    Variant EvalName(const Expr& e);
    Variant EvalCall(const Expr& e);
    Variant EvalMember(const Expr& e);
    Variant EvalBinary(const Expr& e);
    /// A literal's value or a variable's cell, read in place; null for anything
    /// else (whose evaluation may run script code).
    const Variant* Peek(const Expr& e) const {
        if (e.kind == ExprKind::Literal) {
            return &e.value;
        }
        if (e.kind != ExprKind::Name || (Current().self && IsMe(e.name))) {
            return nullptr;
        }
        return Resolve(e).cell;
    }
    static bool IsMe(std::string_view name) { return text::EqualsIgnoringCase(name, "me"); }
    Variant IndexValue(const Variant& target, const std::vector<ExprPtr>& args);
    std::vector<Variant> EvalArgs(const std::vector<ExprPtr>& args);
    Variant ObjectDefault(const Variant& v);
    std::shared_ptr<Object> RequireObject(const Variant& v);
    /// The object a Member expression applies to (the With object when it has none).
    std::shared_ptr<Object> MemberObject(const Expr& member);

    // names
    /// The variable a Name expression stands for in the running frame (null when
    /// it is none), from the note on the expression while that is still valid.
    const Expr::Binding& Resolve(const Expr& name) const {
        const Expr::Binding& binding = name.binding;
        if (binding.frame == Current().serial && binding.epoch == declarations_) {
            return binding;
        }
        return Rebind(name);
    }
    const Expr::Binding& Rebind(const Expr& name) const;
    /// A variable was declared somewhere: every note of a name is stale.
    void Declared() { ++declarations_; }
    Cell FindVariable(std::string_view name) const;
    bool IsConstant(std::string_view name) const;
    Cell DeclareVariable(std::string_view name); ///< in the current scope
    Cell VariableForWrite(std::string_view name);
    bool IsKnownNonVariable(std::string_view name) const;

    // procedures and classes
    Callable FindCallable(std::string_view name) const;
    Variant CallProcedure(const Callable& callable, const std::vector<ExprPtr>& args);
    Variant Invoke(const Procedure& proc, std::vector<Cell> cells,
                   std::shared_ptr<ClassInstance> self = nullptr);
    Variant NewInstance(std::string_view className);
    void RunPendingTerminates();
    static std::shared_ptr<Procedure> FindMethod(const ClassDecl& decl, std::string_view name,
                                                 bool (*accept)(ProcKind));

    /// Counts one statement or loop round against the budget of the running call.
    void Tick() {
        if (++steps_ > stepLimit_ || ((steps_ & 0xFF) == 0 && deadlineActive_)) {
            CheckBudget();
        }
    }
    void CheckBudget();
    /// Starts the budget of a top-level call (AddCode, Run).
    void StartBudget();

    Frame& Current() { return frames_.back(); }
    const Frame& Current() const { return frames_.back(); }
    void Annotate(ScriptException& e, int line) const;
    /// Option Explicit is in force for the running code.
    bool OptionExplicit() const;

    Scope globals_;
    std::vector<Frame> frames_;
    std::uint64_t frameSerial_ = 0;
    std::uint64_t declarations_ = 1;
    std::vector<Variant> withStack_;
    std::unordered_map<std::string, std::shared_ptr<Procedure>, text::CaseBlindHash,
                       text::CaseBlindEqual>
        procedures_;
    std::unordered_map<std::string, std::shared_ptr<Object>, text::CaseBlindHash,
                       text::CaseBlindEqual>
        hostObjects_;
    std::unordered_map<std::string, std::shared_ptr<ClassDecl>, text::CaseBlindHash,
                       text::CaseBlindEqual>
        classes_;
    std::vector<std::shared_ptr<const Unit>> units_;
    /// The syntax trees of recently added texts, most recent first. The script
    /// bridge adds the same job text and script library again after every Reset;
    /// a text seen before reuses its tree (trees are never changed once built).
    std::list<std::pair<std::string, std::shared_ptr<const Unit>>> compiled_;
    static constexpr std::size_t kCachedUnits = 8;
    /// Most rounds of Class_Terminate a Reset runs for the objects it drops.
    static constexpr int kMaxResetTerminates = 10000;
    static constexpr std::size_t kMaxCachedText = std::size_t(1) << 20;
    std::shared_ptr<Interpreter*> self_; ///< this while alive; objects hold it
    std::deque<std::pair<std::shared_ptr<const ClassDecl>, VariableMap>> pendingTerminates_;
    bool terminating_ = false;
    std::shared_ptr<ErrObject> err_;
    std::ostream* out_ = nullptr;
    bool allowUI_ = true;
    std::uint64_t stepBudget_ = 0; ///< as set; 0: none
    std::uint64_t stepLimit_ = UINT64_MAX;
    std::uint64_t steps_ = 0;
    std::chrono::milliseconds timeout_{0};
    std::chrono::steady_clock::time_point deadline_;
    bool deadlineActive_ = false;
};

} // namespace ob::vbscript
