// Statements: one function per statement, with its grammar rule above it.
#include "vbscript/unit_parser.h"

#include "vbscript/stack_guard.h"

namespace ob::vbscript {

std::unique_ptr<Stmt> UnitParser::Make(StmtKind kind) {
    auto s = std::make_unique<Stmt>();
    s->kind = kind;
    s->line = Line();
    return s;
}

// statement := dim | modified | redim | const | set | call | if | select | for | do
//            | while | erase | with | exit | on-error | assignment-or-call
std::unique_ptr<Stmt> UnitParser::ParseStatement() {
    StackGuard::Check();
    if (!At(TokenKind::Name) && !Is(Punct::Dot)) {
        Fail(err::kExpectedStatement);
    }
    switch (Cur().keyword) {
    case Keyword::Dim:
        return ParseDimStatement();
    case Keyword::Public:
    case Keyword::Private:
        return ParseModifiedStatement();
    case Keyword::ReDim:
        return ParseReDimStatement();
    case Keyword::Const:
        return ParseConstStatement();
    case Keyword::Set:
        return ParseSet();
    case Keyword::Call:
        return ParseCall();
    case Keyword::If:
        return ParseIf();
    case Keyword::Select:
        return ParseSelect();
    case Keyword::For:
        return ParseFor();
    case Keyword::Do:
        return ParseDo();
    case Keyword::While:
        return ParseWhile();
    case Keyword::Erase:
        return ParseErase();
    case Keyword::With:
        return ParseWith();
    case Keyword::Exit:
        return ParseExit();
    case Keyword::On:
        return ParseOnError();
    case Keyword::Option:
        Fail(err::kSyntax); // Option Explicit must come first, outside blocks
    case Keyword::Next:
    case Keyword::Loop:
    case Keyword::Wend:
    case Keyword::End:
    case Keyword::Else:
    case Keyword::ElseIf:
    case Keyword::Case:
        Fail(err::kExpectedStatement); // a block end without its block
    default:
        break;
    }
    if (IsReserved(Cur().keyword)) {
        Fail(err::kSyntax);
    }
    return ParseAssignmentOrCall();
}

// dim := "Dim" dim-list
std::unique_ptr<Stmt> UnitParser::ParseDimStatement() {
    Next();
    return ParseDim(StmtKind::Dim);
}

// modified := ( "Public" | "Private" ) ( "Const" const-list | dim-list )
std::unique_ptr<Stmt> UnitParser::ParseModifiedStatement() {
    Next();
    if (Is(Keyword::Const)) {
        Next();
        return ParseConst();
    }
    return ParseDim(StmtKind::Dim);
}

// redim := "ReDim" [ "Preserve" ] name bounds { "," name bounds }
std::unique_ptr<Stmt> UnitParser::ParseReDimStatement() {
    Next();
    return ParseDim(StmtKind::ReDim);
}

// const := "Const" const-list
std::unique_ptr<Stmt> UnitParser::ParseConstStatement() {
    Next();
    return ParseConst();
}

// set := "Set" target "=" expr
std::unique_ptr<Stmt> UnitParser::ParseSet() {
    auto s = Make(StmtKind::Set);
    Next();
    s->target = ParseTarget();
    Expect(Punct::Equal, err::kExpectedEquals);
    s->value = ParseExpr();
    return s;
}

// call := "Call" target
std::unique_ptr<Stmt> UnitParser::ParseCall() {
    auto s = Make(StmtKind::Call);
    Next();
    s->target = ParseTarget();
    return s;
}

// if := "If" expr "Then" ( inline-block [ "Else" inline-block ] [ "End" "If" ]
//                        | end-of-line block { "ElseIf" expr "Then" end-of-line block }
//                          [ "Else" block ] "End" "If" )
std::unique_ptr<Stmt> UnitParser::ParseIf() {
    auto s = Make(StmtKind::If);
    Next();
    Branch first;
    first.condition = ParseExpr();
    Expect(Keyword::Then, err::kExpectedThen);
    if (!At(TokenKind::EndOfStatement) || !Cur().newline || Cur().colon) {
        // "If c Then : a" is still a single-line If, and "If c Then :" one with no
        // statements.
        if (At(TokenKind::EndOfStatement) && !Cur().newline) {
            Next();
        }
        first.body = ParseInlineBlock();
        s->branches.push_back(std::move(first));
        if (Is(Keyword::Else)) {
            Next();
            s->hasElse = true;
            s->elseBlock = ParseInlineBlock();
        }
        if (Is(Keyword::End) && IsAt(1, Keyword::If)) {
            Next();
            Next();
        }
        return s;
    }
    EndStatement();
    first.body = ParseBlock({Keyword::ElseIf, Keyword::Else, Keyword::End});
    s->branches.push_back(std::move(first));
    for (;;) {
        if (Is(Keyword::ElseIf)) {
            Next();
            Branch b;
            b.condition = ParseExpr();
            Expect(Keyword::Then, err::kExpectedThen);
            if (AtEnd()) {
                EndStatement();
            } // else "ElseIf c Then x = 1": the branch starts on this line
            b.body = ParseBlock({Keyword::ElseIf, Keyword::Else, Keyword::End});
            s->branches.push_back(std::move(b));
            continue;
        }
        if (Is(Keyword::Else)) {
            Next();
            s->hasElse = true;
            s->elseBlock = ParseBlock({Keyword::End});
        }
        break;
    }
    Expect(Keyword::End, err::kExpectedEnd);
    Expect(Keyword::If, err::kExpectedIf);
    return s;
}

// select := "Select" "Case" expr end-of-statement
//           { "Case" ( "Else" | expr { "," expr } ) [ end-of-statement ] block }
//           "End" "Select"
std::unique_ptr<Stmt> UnitParser::ParseSelect() {
    auto s = Make(StmtKind::Select);
    Next();
    Expect(Keyword::Case, err::kExpectedCase);
    s->value = ParseExpr();
    EndStatement();
    SkipEnds();
    while (Is(Keyword::Case)) {
        Next();
        CaseClause clause;
        if (Is(Keyword::Else)) {
            Next();
            clause.isElse = true;
        } else {
            ParseList([&] { clause.values.push_back(ParseExpr()); });
        }
        if (At(TokenKind::EndOfStatement)) {
            Next();
        }
        clause.body = ParseBlock({Keyword::Case, Keyword::End});
        const bool isElse = clause.isElse;
        s->cases.push_back(std::move(clause));
        if (isElse) {
            break;
        }
    }
    Expect(Keyword::End, err::kExpectedEnd);
    Expect(Keyword::Select, err::kExpectedSelect);
    return s;
}

// for := "For" ( "Each" name "In" expr | name "=" expr "To" expr [ "Step" expr ] )
//        end-of-statement block "Next" [ name ]
std::unique_ptr<Stmt> UnitParser::ParseFor() {
    auto s = Make(StmtKind::For);
    Next();
    if (Is(Keyword::Each)) {
        Next();
        s->kind = StmtKind::ForEach;
        s->name = Identifier();
        Expect(Keyword::In, err::kSyntax);
        s->value = ParseExpr();
    } else {
        s->name = Identifier();
        Expect(Punct::Equal, err::kExpectedEquals);
        s->value = ParseExpr();
        Expect(Keyword::To, err::kExpectedTo);
        s->limit = ParseExpr();
        if (Is(Keyword::Step)) {
            Next();
            s->step = ParseExpr();
        }
    }
    EndStatement();
    s->body = ParseBlock({Keyword::Next});
    Expect(Keyword::Next, err::kExpectedNext);
    if (At(TokenKind::Name) && !IsReserved(Cur().keyword)) {
        Next(); // "Next i"
    }
    return s;
}

// do := "Do" [ ( "While" | "Until" ) expr ] end-of-statement block
//       "Loop" [ ( "While" | "Until" ) expr ]   (a condition at one end only)
std::unique_ptr<Stmt> UnitParser::ParseDo() {
    auto s = Make(StmtKind::Do);
    Next();
    if (Is(Keyword::While) || Is(Keyword::Until)) {
        s->untilLoop = Is(Keyword::Until);
        Next();
        s->condition = ParseExpr();
    }
    EndStatement();
    s->body = ParseBlock({Keyword::Loop});
    Expect(Keyword::Loop, err::kExpectedLoop);
    if (Is(Keyword::While) || Is(Keyword::Until)) {
        if (s->condition) {
            Fail(err::kExpectedEndOfStatement);
        }
        s->untilLoop = Is(Keyword::Until);
        s->testAtEnd = true;
        Next();
        s->condition = ParseExpr();
    }
    return s;
}

// while := "While" expr end-of-statement block "Wend"
std::unique_ptr<Stmt> UnitParser::ParseWhile() {
    auto s = Make(StmtKind::While);
    Next();
    s->condition = ParseExpr();
    EndStatement();
    s->body = ParseBlock({Keyword::Wend});
    Expect(Keyword::Wend, err::kExpectedWend);
    return s;
}

// erase := "Erase" name { "," name }
std::unique_ptr<Stmt> UnitParser::ParseErase() {
    auto s = Make(StmtKind::Erase);
    Next();
    ParseList([&] {
        DimItem item;
        item.name = Identifier();
        s->dims.push_back(std::move(item));
    });
    return s;
}

// with := "With" expr end-of-statement block "End" "With"
std::unique_ptr<Stmt> UnitParser::ParseWith() {
    auto s = Make(StmtKind::With);
    Next();
    s->value = ParseExpr();
    EndStatement();
    s->body = ParseBlock({Keyword::End});
    Expect(Keyword::End, err::kExpectedEnd);
    Expect(Keyword::With, err::kSyntax);
    return s;
}

// exit := "Exit" ( "Do" | "For" | "Sub" | "Function" | "Property" )
std::unique_ptr<Stmt> UnitParser::ParseExit() {
    auto s = Make(StmtKind::Exit);
    Next();
    switch (At(TokenKind::Name) ? Cur().keyword : Keyword::None) {
    case Keyword::Do:
        s->exitWhat = ExitKind::Do;
        break;
    case Keyword::For:
        s->exitWhat = ExitKind::For;
        break;
    case Keyword::Sub:
        s->exitWhat = ExitKind::Sub;
        break;
    case Keyword::Function:
        s->exitWhat = ExitKind::Function;
        break;
    case Keyword::Property:
        s->exitWhat = ExitKind::Property;
        break;
    default:
        Fail(err::kInvalidExit);
    }
    Next();
    return s;
}

// on-error := "On" "Error" ( "Resume" "Next" | "GoTo" "0" )
std::unique_ptr<Stmt> UnitParser::ParseOnError() {
    Next();
    Expect(Keyword::Error, err::kSyntax);
    if (Is(Keyword::Resume)) {
        auto s = Make(StmtKind::OnErrorResumeNext);
        Next();
        Expect(Keyword::Next, err::kSyntax);
        return s;
    }
    auto s = Make(StmtKind::OnErrorGoto0);
    Expect(Keyword::GoTo, err::kSyntax);
    if (!(At(TokenKind::Number) && Cur().value.ToDouble() == 0)) {
        Fail(err::kSyntax);
    }
    Next();
    return s;
}

// assignment-or-call := target "=" expr
//                     | target                           (a call without arguments)
//                     | target argument { "," argument } (arguments without parentheses)
// A target starting with "." refers to the object of the enclosing With.
std::unique_ptr<Stmt> UnitParser::ParseAssignmentOrCall() {
    auto s = Make(StmtKind::Call);
    const std::size_t start = pos_;
    ExprPtr target = ParseTarget(Postfix::StatementHead);
    if (Is(Punct::Equal)) {
        Next();
        ExprPtr value = ParseExpr();
        if (AtStatementEnd() || target->kind != ExprKind::Call) {
            s->kind = StmtKind::Assign;
            s->target = std::move(target);
            s->value = std::move(value);
            return s;
        }
        // "Check (a) = b, c" is a call whose first argument is a comparison.
    }
    if (AtStatementEnd()) {
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
        target = ParseTarget(Postfix::Callee);
        if (target->kind == ExprKind::Call || !Is(Punct::LParen)) {
            Fail(err::kExpectedEndOfStatement);
        }
    }
    std::vector<ExprPtr> args;
    ParseList([&] { args.push_back(Is(Punct::Comma) ? nullptr : ParseExpr()); }); // "f a, , c"
    auto call = MakeExpr(ExprKind::Call, target->line);
    call->object = std::move(target);
    call->args = std::move(args);
    s->target = Finish(std::move(call));
    return s;
}

} // namespace ob::vbscript
