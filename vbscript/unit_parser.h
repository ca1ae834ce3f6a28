// The parser of one unit of VBScript source (parser.h is its entry point): a
// recursive descent over the lexer's tokens. Its work is spread over files by
// concept: unit_parser.cpp (the token cursor, the unit and blocks),
// declaration_parser.cpp (procedures, classes, Dim, ReDim, Const),
// statement_parser.cpp (one function per statement) and expression_parser.cpp.
// Errors are thrown as ScriptException with the compilation error number and the
// line. Internal to the library.
#pragma once

#include "vbscript/ast.h"
#include "vbscript/token.h"

#include <cstddef>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

namespace ob::vbscript {

class UnitParser {
public:
    UnitParser(std::vector<Token> tokens, Unit& unit) : toks_(std::move(tokens)), unit_(unit) {}

    /// Parses the whole unit into the Unit given to the constructor.
    void Run();

private:
    // ---- token cursor (unit_parser.cpp) ----
    const Token& Cur() const { return toks_[pos_]; }
    const Token& At(std::size_t ahead) const {
        return toks_[std::min(pos_ + ahead, toks_.size() - 1)];
    }
    bool At(TokenKind kind) const { return Cur().kind == kind; }
    void Next() {
        if (pos_ + 1 < toks_.size()) {
            ++pos_;
        }
    }
    int Line() const { return Cur().line; }
    bool Is(Keyword word) const { return IsAt(0, word); }
    bool IsAt(std::size_t ahead, Keyword word) const {
        const Token& t = At(ahead);
        return t.kind == TokenKind::Name && t.keyword == word;
    }
    bool Is(Punct op) const { return Cur().punct == op && Cur().kind == TokenKind::Operator; }
    bool AtEnd() const { return At(TokenKind::EndOfStatement) || At(TokenKind::EndOfInput); }
    /// A word that closes a block (End, Next, Loop, Wend, Else, ElseIf, Case): it
    /// may follow a statement on the same line without a ":".
    bool AtCloser() const;
    /// The end of a statement: a line break, ":", the end of input or a closer.
    bool AtStatementEnd() const { return AtEnd() || AtCloser(); }
    /// Sub, Function or Property Get/Let/Set, `ahead` tokens on.
    bool AtProcedure(std::size_t ahead) const;

    [[noreturn]] void Fail(long number) const;
    void Expect(Keyword word, long number);
    void Expect(Punct op, long number);
    void SkipEnds();
    void EndStatement();
    std::string Identifier();
    /// Counts one more level of nesting; error 28 past the bound.
    void Enter(int& depth);
    /// list := item { "," item }: calls `item` for each.
    template <typename Item> void ParseList(Item item) {
        for (;;) {
            item();
            if (!Is(Punct::Comma)) {
                return;
            }
            Next();
        }
    }

    // ---- blocks (unit_parser.cpp) ----
    Block ParseBlock(std::initializer_list<Keyword> stops);
    Block ParseInlineBlock();

    // ---- declarations (declaration_parser.cpp) ----
    std::shared_ptr<Procedure> ParseProcedure(bool inClass = false);
    void CheckUnique(const std::vector<std::shared_ptr<Procedure>>& procs);
    void ParseClass();
    std::unique_ptr<Stmt> ParseDim(StmtKind kind);
    std::unique_ptr<Stmt> ParseConst();
    std::vector<ExprPtr> ParseBounds();

    // ---- statements (statement_parser.cpp) ----
    std::unique_ptr<Stmt> Make(StmtKind kind);
    std::unique_ptr<Stmt> ParseStatement();
    std::unique_ptr<Stmt> ParseDimStatement();
    std::unique_ptr<Stmt> ParseModifiedStatement();
    std::unique_ptr<Stmt> ParseReDimStatement();
    std::unique_ptr<Stmt> ParseConstStatement();
    std::unique_ptr<Stmt> ParseSet();
    std::unique_ptr<Stmt> ParseCall();
    std::unique_ptr<Stmt> ParseIf();
    std::unique_ptr<Stmt> ParseSelect();
    std::unique_ptr<Stmt> ParseFor();
    std::unique_ptr<Stmt> ParseDo();
    std::unique_ptr<Stmt> ParseWhile();
    std::unique_ptr<Stmt> ParseErase();
    std::unique_ptr<Stmt> ParseWith();
    std::unique_ptr<Stmt> ParseExit();
    std::unique_ptr<Stmt> ParseOnError();
    std::unique_ptr<Stmt> ParseAssignmentOrCall();

    // ---- expressions (expression_parser.cpp) ----
    ExprPtr MakeExpr(ExprKind kind, int line);
    ExprPtr Finish(ExprPtr e);
    ExprPtr Binary(Op op, ExprPtr left, ExprPtr right);
    /// How a "(" after a blank continues a name ("f (x)"): in an expression it
    /// calls or indexes; at the head of a statement too, but a "." after that
    /// group shows it was the first argument ("Echo (New C).F()"); before the
    /// arguments of a call statement it never does.
    enum class Postfix { Expression, StatementHead, Callee };
    ExprPtr ParseParenthesized(Postfix mode);
    ExprPtr ParseTarget(Postfix mode = Postfix::Expression);
    ExprPtr ParsePostfix(ExprPtr e, Postfix mode = Postfix::Expression);
    ExprPtr ParseArgs(ExprPtr callee);
    ExprPtr ParseExpr();
    Op OperatorAt(int level) const;
    ExprPtr ParseLevel(int level);
    ExprPtr ParseNot();
    ExprPtr ParseUnary();
    ExprPtr ParsePower();
    ExprPtr ParsePrimary();

    static constexpr int kMaxDepth = 1000;
    std::vector<Token> toks_;
    std::size_t pos_ = 0;
    Unit& unit_;
    int depth_ = 0;
    int blockDepth_ = 0;
};

} // namespace ob::vbscript
