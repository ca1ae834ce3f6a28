// The syntax tree of a VBScript unit (one piece of added code). Built once by the
// parser and never changed afterwards; the evaluator walks it. Every node carries
// its 1-based source line.
#pragma once

#include "vbscript/variant.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace ob::vbscript {

enum class ExprKind {
    Literal, ///< value
    Name,    ///< name (a variable, constant, procedure or built-in)
    Member,  ///< object.name; a null object is the object of the enclosing With
    Call,    ///< object(args): a call or an array index; object is a Name, Member or Call
    Unary,   ///< op left
    Binary,  ///< left op right
    New,     ///< New name
};

enum class Op {
    None,
    Negate,
    Not,
    Add,
    Subtract,
    Multiply,
    Divide,
    IntDivide,
    Modulo,
    Power,
    Concat,
    Equal,
    NotEqual,
    Less,
    Greater,
    LessEqual,
    GreaterEqual,
    Is,
    And,
    Or,
    Xor,
    Eqv,
    Imp,
};

struct Expr {
    ExprKind kind = ExprKind::Literal;
    int line = 0;
    Variant value;
    std::string name;
    std::unique_ptr<Expr> object;
    std::vector<std::unique_ptr<Expr>> args;
    Op op = Op::None;
    std::unique_ptr<Expr> left;
    std::unique_ptr<Expr> right;
    bool parenthesized = false; ///< written in parentheses: passed by value
    int depth = 1;              ///< height of this subtree (the parser bounds it)

    /// Name: the evaluator's note of the variable the name was last found to be
    /// (Interpreter::Resolve), valid for that frame while no variable has been
    /// declared since. Not part of the tree's meaning; the tree stays as parsed.
    struct Binding {
        std::uint64_t frame = 0; ///< the frame's serial; 0: none yet
        std::uint64_t epoch = 0; ///< the interpreter's declaration count then
        Variant* cell = nullptr; ///< the variable; null: the name is no variable
        bool constant = false;   ///< a Const of the script
    };
    mutable Binding binding;
};
using ExprPtr = std::unique_ptr<Expr>;

enum class StmtKind {
    Call,    ///< target: a Name, Member or Call expression, called as a procedure
    Assign,  ///< target = value
    Set,     ///< Set target = value
    Dim,     ///< dims (also Public / Private variables)
    ReDim,   ///< dims, preserve
    Const,   ///< dims with value
    If,      ///< branches, elseBlock
    Select,  ///< value, cases
    For,     ///< name = value To limit [Step step]: body
    ForEach, ///< For Each name In value: body
    Do,      ///< condition (may be null), untilLoop, testAtEnd: body
    While,   ///< While condition: body
    With,    ///< With value: body (".name" inside refers to the value)
    Erase,   ///< Erase name, ...: dims (names only)
    Exit,    ///< exitWhat
    OnErrorResumeNext,
    OnErrorGoto0,
    Nop, ///< Option Explicit, procedure declarations (hoisted)
};

enum class ExitKind { Do, For, Sub, Function, Property };

struct Stmt;
using Block = std::vector<std::unique_ptr<Stmt>>;

struct DimItem {
    std::string name;
    std::vector<ExprPtr> bounds; ///< Dim a(3, 4) / ReDim a(n)
    bool isArray = false;        ///< written with parentheses (Dim a() too)
    ExprPtr value;               ///< Const only
};

struct Branch {
    ExprPtr condition;
    Block body;
};

struct CaseClause {
    std::vector<ExprPtr> values; ///< empty for Case Else
    bool isElse = false;
    Block body;
};

struct Stmt {
    StmtKind kind = StmtKind::Nop;
    int line = 0;
    ExprPtr target;
    ExprPtr value;
    ExprPtr limit;
    ExprPtr step;
    ExprPtr condition;
    std::string name;
    std::vector<DimItem> dims;
    bool preserve = false;
    bool untilLoop = false;
    bool testAtEnd = false;
    std::vector<Branch> branches;
    Block elseBlock;
    bool hasElse = false;
    std::vector<CaseClause> cases;
    Block body;
    ExitKind exitWhat = ExitKind::Do;
};

struct Parameter {
    std::string name;
    bool byVal = false;
    bool isArray = false;
};

struct Unit;

enum class ProcKind { Sub, Function, PropertyGet, PropertyLet, PropertySet };

struct Procedure {
    std::string name;
    ProcKind kind = ProcKind::Sub;
    bool isFunction = false; ///< returns a value (Function, Property Get)
    bool isPublic = true;
    bool isDefault = false; ///< Public Default member of a class
    int line = 0;
    std::vector<Parameter> params;
    Block body;
    const Unit* unit = nullptr; ///< the unit the procedure was written in
};

/// A member variable of a class (Public, Private or Dim).
struct ClassField {
    std::string name;
    bool isPublic = true;
    bool isArray = false;
    std::vector<ExprPtr> bounds;
};

struct ClassDecl {
    std::string name;
    int line = 0;
    std::vector<ClassField> fields;
    std::vector<std::shared_ptr<Procedure>> methods;
    const Unit* unit = nullptr;
};

/// One compiled piece of code: its source lines (for error texts), its procedures
/// and its module-level statements.
struct Unit {
    std::vector<std::string> lines;
    std::vector<std::shared_ptr<Procedure>> procedures;
    std::vector<std::shared_ptr<ClassDecl>> classes;
    Block body;
    bool optionExplicit = false;

    /// The text of a 1-based line ("" when out of range).
    std::string Line(int line) const {
        return line >= 1 && static_cast<std::size_t>(line) <= lines.size() ? lines[line - 1] : "";
    }
};

} // namespace ob::vbscript
