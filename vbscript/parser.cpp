#include "vbscript/parser.h"

#include "vbscript/lexer.h"
#include "vbscript/stack_guard.h"

#include "platform/text/ascii_case.h"

#include <initializer_list>

namespace ob::vbscript {

namespace {

// Words that cannot name a variable or procedure.
bool IsReserved(std::string_view word) {
    static constexpr std::string_view kWords[] = {
        "and",      "call",   "case",    "class",  "const", "dim",    "do",    "each",
        "else",     "elseif", "empty",   "end",    "eqv",   "exit",   "false", "for",
        "function", "if",     "imp",     "in",     "is",    "loop",   "mod",   "new",
        "next",     "not",    "nothing", "null",   "on",    "option", "or",    "preserve",
        "private",  "public", "redim",   "select", "set",   "sub",    "then",  "to",
        "true",     "until",  "wend",    "while",  "with",  "xor",
    };
    for (const std::string_view w : kWords) {
        if (text::EqualsIgnoringCase(word, w)) {
            return true;
        }
    }
    return false;
}

class Parser {
public:
    Parser(std::vector<Token> tokens, Unit& unit) : toks_(std::move(tokens)), unit_(unit) {}

    void Run() {
        SkipEnds();
        while (!At(TokenKind::EndOfInput)) {
            if (IsWord("sub") || IsWord("function") || IsWord("property") ||
                ((IsWord("public") || IsWord("private")) &&
                 (IsWordAt(1, "sub") || IsWordAt(1, "function") || IsWordAt(1, "property")))) {
                unit_.procedures.push_back(ParseProcedure());
                CheckUnique(unit_.procedures);
            } else if (IsWord("class")) {
                ParseClass();
            } else if (IsWord("option")) {
                Next();
                ExpectWord("explicit", err::kSyntax);
                unit_.optionExplicit = true;
                EndStatement();
            } else {
                auto stmt = ParseStatement();
                if (stmt) {
                    unit_.body.push_back(std::move(stmt));
                }
                EndStatement();
            }
            SkipEnds();
        }
    }

private:
    // ---- token helpers ----
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
    bool IsWord(std::string_view word) const { return IsWordAt(0, word); }
    bool IsWordAt(std::size_t ahead, std::string_view word) const {
        const Token& t = At(ahead);
        return t.kind == TokenKind::Name && text::EqualsIgnoringCase(t.text, word);
    }
    bool IsOp(std::string_view op) const {
        return Cur().kind == TokenKind::Operator && Cur().text == op;
    }
    bool AtEnd() const { return At(TokenKind::EndOfStatement) || At(TokenKind::EndOfInput); }

    [[noreturn]] void Fail(long number) const {
        ScriptException e(number);
        e.line = Line();
        throw e;
    }

    void ExpectWord(std::string_view word, long number) {
        if (!IsWord(word)) {
            Fail(number);
        }
        Next();
    }

    void ExpectOp(std::string_view op, long number) {
        if (!IsOp(op)) {
            Fail(number);
        }
        Next();
    }

    void SkipEnds() {
        while (At(TokenKind::EndOfStatement)) {
            Next();
        }
    }

    void EndStatement() {
        if (At(TokenKind::EndOfInput)) {
            return;
        }
        if (!At(TokenKind::EndOfStatement)) {
            Fail(err::kExpectedEndOfStatement);
        }
        Next();
    }

    std::string Identifier() {
        if (!At(TokenKind::Name) || IsReserved(Cur().text)) {
            Fail(err::kExpectedIdentifier);
        }
        std::string name = Cur().text;
        Next();
        return name;
    }

    // ---- blocks and statements ----

    // Statements up to (not including) a line starting with one of the words.
    Block ParseBlock(std::initializer_list<std::string_view> stops) {
        StackGuard::Check();
        if (++blockDepth_ > kMaxDepth) {
            Fail(err::kOutOfStack);
        }
        struct Leave {
            int& depth;
            ~Leave() { --depth; }
        } leave{blockDepth_};
        Block block;
        SkipEnds();
        for (;;) {
            if (At(TokenKind::EndOfInput)) {
                return block;
            }
            for (std::string_view stop : stops) {
                if (IsWord(stop)) {
                    return block;
                }
            }
            if (IsWord("sub") || IsWord("function") || IsWord("class") || IsWord("property")) {
                Fail(err::kSyntax); // procedures and classes do not nest
            }
            auto stmt = ParseStatement();
            if (stmt) {
                block.push_back(std::move(stmt));
            }
            EndStatement();
            SkipEnds();
        }
    }

    // Sub, Function or Property with its modifiers; the caller stores it.
    std::shared_ptr<Procedure> ParseProcedure(bool inClass = false) {
        auto proc = std::make_shared<Procedure>();
        proc->unit = &unit_;
        proc->line = Line();
        if (IsWord("public") || IsWord("private")) {
            proc->isPublic = IsWord("public");
            Next();
            if (proc->isPublic && inClass && IsWord("default")) {
                proc->isDefault = true;
                Next();
            }
        }
        const char* closer = "sub";
        long closerError = err::kExpectedSub;
        if (IsWord("function")) {
            proc->kind = ProcKind::Function;
            closer = "function";
            closerError = err::kExpectedFunction;
        } else if (IsWord("property")) {
            if (!inClass) {
                Fail(1048); // Must be defined inside a Class
            }
            Next();
            if (IsWord("get")) {
                proc->kind = ProcKind::PropertyGet;
            } else if (IsWord("let")) {
                proc->kind = ProcKind::PropertyLet;
            } else if (IsWord("set")) {
                proc->kind = ProcKind::PropertySet;
            } else {
                Fail(err::kSyntax);
            }
            closer = "property";
            closerError = err::kSyntax;
        } else if (!IsWord("sub")) {
            Fail(err::kSyntax);
        }
        Next();
        proc->isFunction = proc->kind == ProcKind::Function || proc->kind == ProcKind::PropertyGet;
        proc->name = Identifier();
        if (IsOp("(")) {
            Next();
            while (!IsOp(")")) {
                Parameter p;
                if (IsWord("byval") || IsWord("byref")) {
                    p.byVal = IsWord("byval");
                    Next();
                }
                p.name = Identifier();
                if (IsOp("(")) {
                    Next();
                    ExpectOp(")", err::kExpectedRParen);
                    p.isArray = true;
                }
                proc->params.push_back(std::move(p));
                if (!IsOp(",")) {
                    break;
                }
                Next();
            }
            ExpectOp(")", err::kExpectedRParen);
        }
        EndStatement();
        proc->body = ParseBlock({"end"});
        ExpectWord("end", closerError);
        ExpectWord(closer, closerError);
        EndStatement();
        return proc;
    }

    // Two procedures of one name (two properties of one name and kind) are an error.
    void CheckUnique(const std::vector<std::shared_ptr<Procedure>>& procs) {
        const Procedure& last = *procs.back();
        for (std::size_t i = 0; i + 1 < procs.size(); ++i) {
            const Procedure& other = *procs[i];
            const bool bothProperties =
                other.kind >= ProcKind::PropertyGet && last.kind >= ProcKind::PropertyGet;
            if (text::EqualsIgnoringCase(other.name, last.name) &&
                (!bothProperties || other.kind == last.kind)) {
                ScriptException e(err::kNameRedefined);
                e.line = last.line;
                throw e;
            }
        }
    }

    void ParseClass() {
        auto decl = std::make_shared<ClassDecl>();
        decl->line = Line();
        decl->unit = &unit_;
        Next();
        decl->name = Identifier();
        EndStatement();
        SkipEnds();
        while (!IsWord("end")) {
            if (At(TokenKind::EndOfInput)) {
                Fail(err::kExpectedEnd);
            }
            const bool modifier = IsWord("public") || IsWord("private");
            const std::size_t ahead = modifier ? (IsWordAt(1, "default") ? 2 : 1) : 0;
            if (IsWordAt(ahead, "sub") || IsWordAt(ahead, "function") ||
                IsWordAt(ahead, "property")) {
                decl->methods.push_back(ParseProcedure(true));
                CheckUnique(decl->methods);
            } else if (modifier || IsWord("dim")) {
                const bool isPublic = !IsWord("private");
                Next();
                for (;;) {
                    ClassField field;
                    field.isPublic = isPublic;
                    field.name = Identifier();
                    if (IsOp("(")) {
                        field.isArray = true;
                        field.bounds = ParseBounds();
                    }
                    decl->fields.push_back(std::move(field));
                    if (!IsOp(",")) {
                        break;
                    }
                    Next();
                }
                EndStatement();
            } else {
                Fail(err::kSyntax);
            }
            SkipEnds();
        }
        Next();
        ExpectWord("class", err::kSyntax);
        EndStatement();
        for (const auto& other : unit_.classes) {
            if (text::EqualsIgnoringCase(other->name, decl->name)) {
                ScriptException e(err::kNameRedefined);
                e.line = decl->line;
                throw e;
            }
        }
        unit_.classes.push_back(std::move(decl));
    }

    std::unique_ptr<Stmt> Make(StmtKind kind) {
        auto s = std::make_unique<Stmt>();
        s->kind = kind;
        s->line = Line();
        return s;
    }

    std::unique_ptr<Stmt> ParseStatement() {
        StackGuard::Check();
        if (!At(TokenKind::Name) && !IsOp(".")) {
            Fail(err::kExpectedStatement);
        }
        if (IsWord("dim")) {
            Next();
            return ParseDim(StmtKind::Dim);
        }
        if (IsWord("public") || IsWord("private")) {
            Next();
            if (IsWord("const")) { // Public Const / Private Const
                Next();
                return ParseConst();
            }
            return ParseDim(StmtKind::Dim);
        }
        if (IsWord("redim")) {
            Next();
            return ParseDim(StmtKind::ReDim);
        }
        if (IsWord("const")) {
            Next();
            return ParseConst();
        }
        if (IsWord("set")) {
            auto s = Make(StmtKind::Set);
            Next();
            s->target = ParseTarget();
            ExpectOp("=", err::kExpectedEquals);
            s->value = ParseExpr();
            return s;
        }
        if (IsWord("call")) {
            auto s = Make(StmtKind::Call);
            Next();
            s->target = ParseTarget();
            return s;
        }
        if (IsWord("if")) {
            return ParseIf();
        }
        if (IsWord("select")) {
            return ParseSelect();
        }
        if (IsWord("for")) {
            return ParseFor();
        }
        if (IsWord("do")) {
            return ParseDo();
        }
        if (IsWord("while")) {
            auto s = Make(StmtKind::While);
            Next();
            s->condition = ParseExpr();
            EndStatement();
            s->body = ParseBlock({"wend"});
            ExpectWord("wend", err::kExpectedWend);
            return s;
        }
        if (IsWord("erase")) {
            auto s = Make(StmtKind::Erase);
            Next();
            for (;;) {
                DimItem item;
                item.name = Identifier();
                s->dims.push_back(std::move(item));
                if (!IsOp(",")) {
                    break;
                }
                Next();
            }
            return s;
        }
        if (IsWord("with")) {
            auto s = Make(StmtKind::With);
            Next();
            s->value = ParseExpr();
            EndStatement();
            s->body = ParseBlock({"end"});
            ExpectWord("end", err::kExpectedEnd);
            ExpectWord("with", err::kSyntax);
            return s;
        }
        if (IsWord("exit")) {
            auto s = Make(StmtKind::Exit);
            Next();
            if (IsWord("do")) {
                s->exitWhat = ExitKind::Do;
            } else if (IsWord("for")) {
                s->exitWhat = ExitKind::For;
            } else if (IsWord("sub")) {
                s->exitWhat = ExitKind::Sub;
            } else if (IsWord("function")) {
                s->exitWhat = ExitKind::Function;
            } else if (IsWord("property")) {
                s->exitWhat = ExitKind::Property;
            } else {
                Fail(err::kInvalidExit);
            }
            Next();
            return s;
        }
        if (IsWord("on")) {
            Next();
            ExpectWord("error", err::kSyntax);
            if (IsWord("resume")) {
                auto s = Make(StmtKind::OnErrorResumeNext);
                Next();
                ExpectWord("next", err::kSyntax);
                return s;
            }
            auto s = Make(StmtKind::OnErrorGoto0);
            ExpectWord("goto", err::kSyntax);
            if (!(At(TokenKind::Number) && Cur().value.ToDouble() == 0)) {
                Fail(err::kSyntax);
            }
            Next();
            return s;
        }
        if (IsWord("option")) {
            Fail(err::kSyntax); // Option Explicit must come first, outside blocks
        }
        for (const char* closer : {"next", "loop", "wend", "end", "else", "elseif", "case"}) {
            if (IsWord(closer)) {
                Fail(err::kExpectedStatement); // a block end without its block
            }
        }
        if (IsReserved(Cur().text)) {
            Fail(err::kSyntax);
        }
        // An assignment or a procedure call (".name ..." inside With).
        auto s = Make(StmtKind::Call);
        const std::size_t start = pos_;
        ExprPtr target = ParseTarget();
        if (IsOp("=")) {
            Next();
            ExprPtr value = ParseExpr();
            if (AtEnd() || IsWord("else") || target->kind != ExprKind::Call) {
                s->kind = StmtKind::Assign;
                s->target = std::move(target);
                s->value = std::move(value);
                return s;
            }
            // "Check (a) = b, c" is a call whose first argument is a comparison.
        }
        if (AtEnd() || IsWord("else")) {
            // "Name(x)" as a statement passes x in parentheses, so by value ("Call
            // Name(x)" passes it by reference).
            if (target->kind == ExprKind::Call && target->args.size() == 1 && target->args[0] &&
                target->object->kind != ExprKind::Call) {
                target->args[0]->parenthesized = true;
            }
            s->target = std::move(target);
            return s;
        }
        // "name arg, arg": arguments without parentheses. When the target ended in a
        // parenthesised group after a blank ("Check (a + b) * 2, x"), that group is
        // the start of the first argument: read the statement again without it.
        if (target->kind == ExprKind::Call) {
            pos_ = start;
            target = ParseTarget(true);
            if (target->kind == ExprKind::Call || !IsOp("(")) {
                Fail(err::kExpectedEndOfStatement);
            }
        }
        std::vector<ExprPtr> args;
        for (;;) {
            if (IsOp(",")) {
                args.push_back(nullptr); // an omitted argument
            } else {
                args.push_back(ParseExpr());
            }
            if (!IsOp(",")) {
                break;
            }
            Next();
        }
        auto call = MakeExpr(ExprKind::Call, target->line);
        call->object = std::move(target);
        call->args = std::move(args);
        s->target = Finish(std::move(call));
        return s;
    }

    std::unique_ptr<Stmt> ParseDim(StmtKind kind) {
        auto s = Make(kind);
        if (kind == StmtKind::ReDim && IsWord("preserve")) {
            s->preserve = true;
            Next();
        }
        for (;;) {
            DimItem item;
            item.name = Identifier();
            if (IsOp("(")) {
                item.isArray = true;
                item.bounds = ParseBounds();
            }
            if (kind == StmtKind::ReDim && item.bounds.empty()) {
                Fail(err::kExpectedLParen);
            }
            s->dims.push_back(std::move(item));
            if (!IsOp(",")) {
                break;
            }
            Next();
        }
        return s;
    }

    std::unique_ptr<Stmt> ParseConst() {
        auto s = Make(StmtKind::Const);
        for (;;) {
            DimItem item;
            item.name = Identifier();
            ExpectOp("=", err::kExpectedEquals);
            item.value = ParseExpr();
            s->dims.push_back(std::move(item));
            if (!IsOp(",")) {
                break;
            }
            Next();
        }
        return s;
    }

    // Statements of a single-line If branch: "a : b : c" up to Else or the line end.
    Block ParseInlineBlock() {
        if (++blockDepth_ > kMaxDepth) {
            Fail(err::kOutOfStack);
        }
        struct Leave {
            int& depth;
            ~Leave() { --depth; }
        } leave{blockDepth_};
        Block block;
        for (;;) {
            if (IsWord("else") || At(TokenKind::EndOfInput) ||
                (At(TokenKind::EndOfStatement) && Cur().newline)) {
                return block;
            }
            if (At(TokenKind::EndOfStatement)) {
                Next();
                continue;
            }
            block.push_back(ParseStatement());
        }
    }

    std::unique_ptr<Stmt> ParseIf() {
        auto s = Make(StmtKind::If);
        Next();
        Branch first;
        first.condition = ParseExpr();
        ExpectWord("then", err::kExpectedThen);
        if (!At(TokenKind::EndOfStatement) || !Cur().newline) {
            if (At(TokenKind::EndOfStatement) && !Cur().newline) {
                Next(); // "If c Then : a" is still a single-line If
            }
            first.body = ParseInlineBlock();
            s->branches.push_back(std::move(first));
            if (IsWord("else")) {
                Next();
                s->hasElse = true;
                s->elseBlock = ParseInlineBlock();
            }
            if (IsWord("end") && IsWordAt(1, "if")) {
                Next();
                Next();
            }
            return s;
        }
        EndStatement();
        first.body = ParseBlock({"elseif", "else", "end"});
        s->branches.push_back(std::move(first));
        for (;;) {
            if (IsWord("elseif")) {
                Next();
                Branch b;
                b.condition = ParseExpr();
                ExpectWord("then", err::kExpectedThen);
                EndStatement();
                b.body = ParseBlock({"elseif", "else", "end"});
                s->branches.push_back(std::move(b));
                continue;
            }
            if (IsWord("else")) {
                Next();
                s->hasElse = true;
                s->elseBlock = ParseBlock({"end"});
            }
            break;
        }
        ExpectWord("end", err::kExpectedEnd);
        ExpectWord("if", err::kExpectedIf);
        return s;
    }

    std::unique_ptr<Stmt> ParseSelect() {
        auto s = Make(StmtKind::Select);
        Next();
        ExpectWord("case", err::kExpectedCase);
        s->value = ParseExpr();
        EndStatement();
        SkipEnds();
        while (IsWord("case")) {
            Next();
            CaseClause clause;
            if (IsWord("else")) {
                Next();
                clause.isElse = true;
            } else {
                for (;;) {
                    clause.values.push_back(ParseExpr());
                    if (!IsOp(",")) {
                        break;
                    }
                    Next();
                }
            }
            if (At(TokenKind::EndOfStatement)) {
                Next();
            }
            clause.body = ParseBlock({"case", "end"});
            const bool isElse = clause.isElse;
            s->cases.push_back(std::move(clause));
            if (isElse) {
                break;
            }
        }
        ExpectWord("end", err::kExpectedEnd);
        ExpectWord("select", err::kExpectedSelect);
        return s;
    }

    std::unique_ptr<Stmt> ParseFor() {
        auto s = Make(StmtKind::For);
        Next();
        if (IsWord("each")) {
            Next();
            s->kind = StmtKind::ForEach;
            s->name = Identifier();
            ExpectWord("in", err::kSyntax);
            s->value = ParseExpr();
        } else {
            s->name = Identifier();
            ExpectOp("=", err::kExpectedEquals);
            s->value = ParseExpr();
            ExpectWord("to", err::kExpectedTo);
            s->limit = ParseExpr();
            if (IsWord("step")) {
                Next();
                s->step = ParseExpr();
            }
        }
        EndStatement();
        s->body = ParseBlock({"next"});
        ExpectWord("next", err::kExpectedNext);
        if (At(TokenKind::Name) && !IsReserved(Cur().text)) {
            Next(); // "Next i"
        }
        return s;
    }

    std::unique_ptr<Stmt> ParseDo() {
        auto s = Make(StmtKind::Do);
        Next();
        if (IsWord("while") || IsWord("until")) {
            s->untilLoop = IsWord("until");
            Next();
            s->condition = ParseExpr();
        }
        EndStatement();
        s->body = ParseBlock({"loop"});
        ExpectWord("loop", err::kExpectedLoop);
        if (IsWord("while") || IsWord("until")) {
            if (s->condition) {
                Fail(err::kExpectedEndOfStatement);
            }
            s->untilLoop = IsWord("until");
            s->testAtEnd = true;
            Next();
            s->condition = ParseExpr();
        }
        return s;
    }

    // ---- expressions ----

    ExprPtr MakeExpr(ExprKind kind, int line) {
        auto e = std::make_unique<Expr>();
        e->kind = kind;
        e->line = line;
        return e;
    }

    // Records the height of a new node. Trees deeper than the bound are refused, so
    // that evaluating and destroying them cannot exhaust the stack.
    ExprPtr Finish(ExprPtr e) {
        int below = 0;
        for (const Expr* child : {e->object.get(), e->left.get(), e->right.get()}) {
            if (child) {
                below = std::max(below, child->depth);
            }
        }
        for (const auto& arg : e->args) {
            if (arg) {
                below = std::max(below, arg->depth);
            }
        }
        e->depth = below + 1;
        if (e->depth > kMaxDepth) {
            Fail(err::kOutOfStack);
        }
        return e;
    }

    ExprPtr Binary(Op op, ExprPtr left, ExprPtr right) {
        auto e = MakeExpr(ExprKind::Binary, left->line);
        e->op = op;
        e->left = std::move(left);
        e->right = std::move(right);
        return Finish(std::move(e));
    }

    // name, name.member, name(args), chained: the target of a statement.
    // With stopAtSpacedParen, a "(" after a blank ends the target (it starts the
    // first argument of a call statement).
    ExprPtr ParseTarget(bool stopAtSpacedParen = false) {
        const int line = Line();
        if (IsOp(".")) {
            Next();
            if (!At(TokenKind::Name)) {
                Fail(err::kExpectedIdentifier);
            }
            auto m = MakeExpr(ExprKind::Member, line); // the With object's member
            m->name = Cur().text;
            Next();
            return ParsePostfix(std::move(m), stopAtSpacedParen);
        }
        auto e = MakeExpr(ExprKind::Name, line);
        e->name = Identifier();
        return ParsePostfix(std::move(e), stopAtSpacedParen);
    }

    ExprPtr ParsePostfix(ExprPtr e, bool stopAtSpacedParen = false) {
        for (;;) {
            if (IsOp("(") && !Cur().spaceBefore) {
                e = ParseArgs(std::move(e));
            } else if (IsOp("(") && e->kind != ExprKind::Call && !stopAtSpacedParen) {
                e = ParseArgs(std::move(e)); // "f (x)" still indexes or calls
            } else if (IsOp(".") && !Cur().spaceBefore) {
                Next();
                if (!At(TokenKind::Name)) {
                    Fail(err::kExpectedIdentifier);
                }
                auto m = MakeExpr(ExprKind::Member, Line());
                m->name = Cur().text;
                Next();
                m->object = std::move(e);
                e = Finish(std::move(m));
            } else {
                return e;
            }
        }
    }

    ExprPtr ParseArgs(ExprPtr callee) {
        auto call = MakeExpr(ExprKind::Call, callee->line);
        Next(); // (
        while (!IsOp(")")) {
            if (IsOp(",")) {
                call->args.push_back(nullptr);
            } else {
                call->args.push_back(ParseExpr());
            }
            if (!IsOp(",")) {
                break;
            }
            Next();
            if (IsOp(")")) {
                call->args.push_back(nullptr);
            }
        }
        ExpectOp(")", err::kExpectedRParen);
        call->object = std::move(callee);
        return Finish(std::move(call));
    }

    // bounds := "(" [ expr { "," expr } ] ")"   (the upper bounds of an array)
    std::vector<ExprPtr> ParseBounds() {
        std::vector<ExprPtr> bounds;
        Next(); // "("
        while (!IsOp(")")) {
            bounds.push_back(ParseExpr());
            if (!IsOp(",")) {
                break;
            }
            Next();
        }
        ExpectOp(")", err::kExpectedRParen);
        return bounds;
    }

    ExprPtr ParseExpr() {
        StackGuard::Check();
        if (++depth_ > kMaxDepth) {
            Fail(err::kOutOfStack);
        }
        ExprPtr e = ParseLevel(kImp);
        --depth_;
        return e;
    }

    // The levels of the binary operators, from the weakest binding to the
    // strongest. Every level is left associative and takes the next level's
    // expressions as operands; Not is a prefix operator between And and the
    // comparisons, and the sign binds tighter than any binary operator but ^.
    enum Level {
        kImp,
        kEqv,
        kXor,
        kOr,
        kAnd,
        kNot,
        kCompare,
        kConcat,
        kAdditive,
        kMod,
        kIntDiv,
        kMultiplicative,
        kUnary,
    };

    // The binary operator of that level at the current token, or Op::None.
    Op OperatorAt(int level) const {
        switch (level) {
        case kImp:
            return IsWord("imp") ? Op::Imp : Op::None;
        case kEqv:
            return IsWord("eqv") ? Op::Eqv : Op::None;
        case kXor:
            return IsWord("xor") ? Op::Xor : Op::None;
        case kOr:
            return IsWord("or") ? Op::Or : Op::None;
        case kAnd:
            return IsWord("and") ? Op::And : Op::None;
        case kCompare:
            return IsOp("=")      ? Op::Equal
                   : IsOp("<>")   ? Op::NotEqual
                   : IsOp("<")    ? Op::Less
                   : IsOp(">")    ? Op::Greater
                   : IsOp("<=")   ? Op::LessEqual
                   : IsOp(">=")   ? Op::GreaterEqual
                   : IsWord("is") ? Op::Is
                                  : Op::None;
        case kConcat:
            return IsOp("&") ? Op::Concat : Op::None;
        case kAdditive:
            return IsOp("+") ? Op::Add : IsOp("-") ? Op::Subtract : Op::None;
        case kMod:
            return IsWord("mod") ? Op::Modulo : Op::None;
        case kIntDiv:
            return IsOp("\\") ? Op::IntDivide : Op::None;
        case kMultiplicative:
            return IsOp("*") ? Op::Multiply : IsOp("/") ? Op::Divide : Op::None;
        default:
            return Op::None;
        }
    }

    // level-expr := next-level-expr { level-operator next-level-expr }
    ExprPtr ParseLevel(int level) {
        if (level == kNot) {
            return ParseNot();
        }
        if (level == kUnary) {
            return ParseUnary();
        }
        ExprPtr e = ParseLevel(level + 1);
        for (Op op = OperatorAt(level); op != Op::None; op = OperatorAt(level)) {
            Next();
            e = Binary(op, std::move(e), ParseLevel(level + 1));
        }
        return e;
    }

    // not-expr := "Not" not-expr | compare-expr
    ExprPtr ParseNot() {
        if (IsWord("not")) {
            auto e = MakeExpr(ExprKind::Unary, Line());
            Next();
            StackGuard::Check();
            if (++depth_ > kMaxDepth) {
                Fail(err::kOutOfStack);
            }
            e->op = Op::Not;
            e->left = ParseNot();
            --depth_;
            return Finish(std::move(e));
        }
        return ParseLevel(kCompare);
    }

    ExprPtr ParseUnary() {
        if (IsOp("-") || IsOp("+")) {
            const bool negate = IsOp("-");
            const int line = Line();
            Next();
            StackGuard::Check();
            if (++depth_ > kMaxDepth) {
                Fail(err::kOutOfStack);
            }
            ExprPtr operand = ParseUnary();
            --depth_;
            if (!negate) {
                return operand;
            }
            auto e = MakeExpr(ExprKind::Unary, line);
            e->op = Op::Negate;
            e->left = std::move(operand);
            return Finish(std::move(e));
        }
        return ParsePower();
    }
    ExprPtr ParsePower() {
        ExprPtr e = ParsePrimary();
        while (IsOp("^")) {
            Next();
            ExprPtr right;
            if (IsOp("-") || IsOp("+")) {
                right = ParseUnary();
            } else {
                right = ParsePrimary();
            }
            e = Binary(Op::Power, std::move(e), std::move(right));
        }
        return e;
    }

    ExprPtr ParsePrimary() {
        const int line = Line();
        const Token& t = Cur();
        switch (t.kind) {
        case TokenKind::Number:
        case TokenKind::Date: {
            auto e = MakeExpr(ExprKind::Literal, line);
            e->value = t.value;
            Next();
            return e;
        }
        case TokenKind::String: {
            auto e = MakeExpr(ExprKind::Literal, line);
            e->value = Variant::String(t.text);
            Next();
            return e;
        }
        case TokenKind::Operator:
            if (t.text == ".") {
                return ParseTarget();
            }
            if (t.text == "(") {
                Next();
                ExprPtr inner = ParseExpr();
                ExpectOp(")", err::kExpectedRParen);
                inner->parenthesized = true;
                return inner;
            }
            Fail(err::kExpectedExpression);
        case TokenKind::Name:
            break;
        default:
            Fail(err::kExpectedExpression);
        }
        auto literal = [&](Variant v) {
            auto e = MakeExpr(ExprKind::Literal, line);
            e->value = std::move(v);
            Next();
            return e;
        };
        if (IsWord("true")) {
            return literal(Variant::Boolean(true));
        }
        if (IsWord("false")) {
            return literal(Variant::Boolean(false));
        }
        if (IsWord("empty")) {
            return literal(Variant());
        }
        if (IsWord("null")) {
            return literal(Variant::Null());
        }
        if (IsWord("nothing")) {
            return ParsePostfix(literal(Variant::Nothing()));
        }
        if (IsWord("new")) {
            Next();
            auto e = MakeExpr(ExprKind::New, line);
            e->name = Identifier();
            return e;
        }
        if (IsReserved(t.text)) {
            Fail(err::kExpectedExpression);
        }
        return ParseTarget();
    }

    static constexpr int kMaxDepth = 1000;
    std::vector<Token> toks_;
    std::size_t pos_ = 0;
    Unit& unit_;
    int depth_ = 0;
    int blockDepth_ = 0;
};

} // namespace

std::unique_ptr<Unit> Parse(std::string_view source) {
    auto unit = std::make_unique<Unit>();
    unit->lines = SplitLines(source);
    try {
        Parser(Tokenize(source), *unit).Run();
    } catch (ScriptException& e) {
        if (e.text.empty()) {
            e.text = unit->Line(static_cast<int>(e.line));
        }
        throw;
    }
    return unit;
}

} // namespace ob::vbscript
