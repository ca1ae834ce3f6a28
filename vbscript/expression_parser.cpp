// Expressions: operators by precedence, primaries, and the targets of statements
// (names with members, indexes and calls).
#include "vbscript/unit_parser.h"

#include "vbscript/stack_guard.h"

namespace ob::vbscript {

namespace {

// The levels of the binary operators, from the weakest binding to the strongest.
// Every level is left associative and takes the next level's expressions as
// operands; Not is a prefix operator between And and the comparisons, and the
// sign binds tighter than any binary operator but ^.
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

} // namespace

ExprPtr UnitParser::MakeExpr(ExprKind kind, int line) {
    auto e = std::make_unique<Expr>();
    e->kind = kind;
    e->line = line;
    return e;
}

// Records the height of a new node. Trees deeper than the bound are refused, so
// that evaluating and destroying them cannot exhaust the stack.
ExprPtr UnitParser::Finish(ExprPtr e) {
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

ExprPtr UnitParser::Binary(Op op, ExprPtr left, ExprPtr right) {
    auto e = MakeExpr(ExprKind::Binary, left->line);
    e->op = op;
    e->left = std::move(left);
    e->right = std::move(right);
    return Finish(std::move(e));
}

// parenthesized := "(" expr ")" postfix
// The expression may be called or indexed: "(New C).F()", "(f)(x)".
ExprPtr UnitParser::ParseParenthesized(Postfix mode) {
    Next(); // (
    ExprPtr inner = ParseExpr();
    Expect(Punct::RParen, err::kExpectedRParen);
    inner->parenthesized = true;
    return ParsePostfix(std::move(inner), mode);
}

// target := ( name | "." name ) postfix | parenthesized
ExprPtr UnitParser::ParseTarget(Postfix mode) {
    const int line = Line();
    if (Is(Punct::Dot)) {
        Next();
        if (!At(TokenKind::Name)) {
            Fail(err::kExpectedIdentifier);
        }
        auto m = MakeExpr(ExprKind::Member, line); // the With object's member
        m->name = Cur().text;
        Next();
        return ParsePostfix(std::move(m), mode);
    }
    if (Is(Punct::LParen)) {
        return ParseParenthesized(Postfix::Expression); // "Call (f) (x)"
    }
    auto e = MakeExpr(ExprKind::Name, line);
    e->name = Identifier();
    return ParsePostfix(std::move(e), mode);
}

// postfix := { "(" arguments ")" | "." name }
ExprPtr UnitParser::ParsePostfix(ExprPtr e, Postfix mode) {
    bool spacedGroup = false;
    for (;;) {
        if (spacedGroup && mode == Postfix::StatementHead) {
            return e; // "Echo (a).b" or "Echo (a)(1)": the group began the argument
        }
        if (Is(Punct::LParen) && !Cur().spaceBefore) {
            e = ParseArgs(std::move(e));
        } else if (Is(Punct::LParen) && e->kind != ExprKind::Call && mode != Postfix::Callee) {
            e = ParseArgs(std::move(e)); // "f (x)" still indexes or calls
            spacedGroup = true;
        } else if (Is(Punct::Dot) && !Cur().spaceBefore) {
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

// arguments := [ [ expr ] { "," [ expr ] } ]   (an argument may be left out)
ExprPtr UnitParser::ParseArgs(ExprPtr callee) {
    auto call = MakeExpr(ExprKind::Call, callee->line);
    Next(); // (
    while (!Is(Punct::RParen)) {
        if (Is(Punct::Comma)) {
            call->args.push_back(nullptr);
        } else {
            call->args.push_back(ParseExpr());
        }
        if (!Is(Punct::Comma)) {
            break;
        }
        Next();
        if (Is(Punct::RParen)) {
            call->args.push_back(nullptr);
        }
    }
    Expect(Punct::RParen, err::kExpectedRParen);
    call->object = std::move(callee);
    return Finish(std::move(call));
}

// expr := imp-expr
ExprPtr UnitParser::ParseExpr() {
    Enter(depth_);
    ExprPtr e = ParseLevel(kImp);
    --depth_;
    return e;
}

// The binary operator of that level at the current token, or Op::None.
Op UnitParser::OperatorAt(int level) const {
    switch (level) {
    case kImp:
        return Is(Keyword::Imp) ? Op::Imp : Op::None;
    case kEqv:
        return Is(Keyword::Eqv) ? Op::Eqv : Op::None;
    case kXor:
        return Is(Keyword::Xor) ? Op::Xor : Op::None;
    case kOr:
        return Is(Keyword::Or) ? Op::Or : Op::None;
    case kAnd:
        return Is(Keyword::And) ? Op::And : Op::None;
    case kCompare:
        if (Is(Keyword::Is)) {
            return Op::Is;
        }
        switch (At(TokenKind::Operator) ? Cur().punct : Punct::None) {
        case Punct::Equal:
            return Op::Equal;
        case Punct::NotEqual:
            return Op::NotEqual;
        case Punct::Less:
            return Op::Less;
        case Punct::Greater:
            return Op::Greater;
        case Punct::LessEqual:
            return Op::LessEqual;
        case Punct::GreaterEqual:
            return Op::GreaterEqual;
        default:
            return Op::None;
        }
    case kConcat:
        return Is(Punct::Ampersand) ? Op::Concat : Op::None;
    case kAdditive:
        return Is(Punct::Plus) ? Op::Add : Is(Punct::Minus) ? Op::Subtract : Op::None;
    case kMod:
        return Is(Keyword::Mod) ? Op::Modulo : Op::None;
    case kIntDiv:
        return Is(Punct::Backslash) ? Op::IntDivide : Op::None;
    case kMultiplicative:
        return Is(Punct::Star) ? Op::Multiply : Is(Punct::Slash) ? Op::Divide : Op::None;
    default:
        return Op::None;
    }
}

// level-expr := next-level-expr { level-operator next-level-expr }
ExprPtr UnitParser::ParseLevel(int level) {
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
ExprPtr UnitParser::ParseNot() {
    if (Is(Keyword::Not)) {
        auto e = MakeExpr(ExprKind::Unary, Line());
        Next();
        Enter(depth_);
        e->op = Op::Not;
        e->left = ParseNot();
        --depth_;
        return Finish(std::move(e));
    }
    return ParseLevel(kCompare);
}

// unary-expr := ( "-" | "+" ) unary-expr | "Not" not-expr | power-expr
// ("a" & Not b: a Not in an operand's place takes the rest of the expression at
// its own level)
ExprPtr UnitParser::ParseUnary() {
    if (Is(Keyword::Not)) {
        return ParseNot();
    }
    if (Is(Punct::Minus) || Is(Punct::Plus)) {
        const bool negate = Is(Punct::Minus);
        const int line = Line();
        Next();
        Enter(depth_);
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

// power-expr := primary { "^" ( primary | unary-expr ) }
ExprPtr UnitParser::ParsePower() {
    ExprPtr e = ParsePrimary();
    while (Is(Punct::Caret)) {
        Next();
        ExprPtr right;
        if (Is(Punct::Minus) || Is(Punct::Plus)) {
            right = ParseUnary();
        } else {
            right = ParsePrimary();
        }
        e = Binary(Op::Power, std::move(e), std::move(right));
    }
    return e;
}

// primary := number | date | string | "True" | "False" | "Empty" | "Null"
//          | "Nothing" postfix | "New" name | parenthesized | target
ExprPtr UnitParser::ParsePrimary() {
    const int line = Line();
    const Token& t = Cur();
    auto literal = [&](Variant v) {
        auto e = MakeExpr(ExprKind::Literal, line);
        e->value = std::move(v);
        Next();
        return e;
    };
    switch (t.kind) {
    case TokenKind::Number:
    case TokenKind::Date:
        return literal(t.value);
    case TokenKind::String:
        return literal(Variant::String(t.text));
    case TokenKind::Operator:
        if (t.punct == Punct::Dot) {
            return ParseTarget();
        }
        if (t.punct == Punct::LParen) {
            return ParseParenthesized(Postfix::Callee);
        }
        Fail(err::kExpectedExpression);
    case TokenKind::Name:
        break;
    default:
        Fail(err::kExpectedExpression);
    }
    switch (t.keyword) {
    case Keyword::True:
        return literal(Variant::Boolean(true));
    case Keyword::False:
        return literal(Variant::Boolean(false));
    case Keyword::Empty:
        return literal(Variant());
    case Keyword::Null:
        return literal(Variant::Null());
    case Keyword::Nothing:
        return ParsePostfix(literal(Variant::Nothing()));
    case Keyword::New: {
        Next();
        auto e = MakeExpr(ExprKind::New, line);
        e->name = Identifier();
        return e;
    }
    default:
        break;
    }
    if (IsReserved(t.keyword)) {
        Fail(err::kExpectedExpression);
    }
    return ParseTarget();
}

} // namespace ob::vbscript
