// Declarations: procedures, classes and their members, Dim / ReDim / Const lists.
#include "vbscript/unit_parser.h"

#include "platform/text/ascii_case.h"

namespace ob::vbscript {

// procedure := [ "Public" [ "Default" ] | "Private" ]
//              ( "Sub" | "Function" | "Property" ( "Get" | "Let" | "Set" ) ) name
//              [ "(" [ parameter { "," parameter } ] ")" ] [ end-of-statement ]
//              block "End" ( "Sub" | "Function" | "Property" )
// (the body may start on the header's line: "Sub S() x = 1 End Sub")
// parameter := [ "ByVal" | "ByRef" ] name [ "(" ")" ]
std::shared_ptr<Procedure> UnitParser::ParseProcedure(bool inClass) {
    auto proc = std::make_shared<Procedure>();
    proc->unit = &unit_;
    proc->line = Line();
    if (Is(Keyword::Public) || Is(Keyword::Private)) {
        proc->isPublic = Is(Keyword::Public);
        Next();
        if (proc->isPublic && inClass && Is(Keyword::Default)) {
            proc->isDefault = true;
            Next();
        }
    }
    Keyword closer = Keyword::Sub;
    long closerError = err::kExpectedSub;
    if (Is(Keyword::Function)) {
        proc->kind = ProcKind::Function;
        closer = Keyword::Function;
        closerError = err::kExpectedFunction;
    } else if (Is(Keyword::Property)) {
        if (!inClass) {
            Fail(1048); // Must be defined inside a Class
        }
        Next();
        if (Is(Keyword::Get)) {
            proc->kind = ProcKind::PropertyGet;
        } else if (Is(Keyword::Let)) {
            proc->kind = ProcKind::PropertyLet;
        } else if (Is(Keyword::Set)) {
            proc->kind = ProcKind::PropertySet;
        } else {
            Fail(err::kSyntax);
        }
        closer = Keyword::Property;
        closerError = err::kSyntax;
    } else if (!Is(Keyword::Sub)) {
        Fail(err::kSyntax);
    }
    Next();
    proc->isFunction = proc->kind == ProcKind::Function || proc->kind == ProcKind::PropertyGet;
    proc->name = Identifier();
    if (Is(Punct::LParen)) {
        Next();
        while (!Is(Punct::RParen)) {
            Parameter p;
            if (Is(Keyword::ByVal) || Is(Keyword::ByRef)) {
                p.byVal = Is(Keyword::ByVal);
                Next();
            }
            p.name = Identifier();
            if (Is(Punct::LParen)) {
                Next();
                Expect(Punct::RParen, err::kExpectedRParen);
                p.isArray = true;
            }
            proc->params.push_back(std::move(p));
            if (!Is(Punct::Comma)) {
                break;
            }
            Next();
        }
        Expect(Punct::RParen, err::kExpectedRParen);
    }
    if (AtEnd()) {
        EndStatement();
    } // else "Sub S() x = 1 End Sub": the body starts on this line
    proc->body = ParseBlock({Keyword::End});
    Expect(Keyword::End, closerError);
    Expect(closer, closerError);
    EndStatement();
    return proc;
}

// Two procedures of one name (two properties of one name and kind) are an error.
void UnitParser::CheckUnique(const std::vector<std::shared_ptr<Procedure>>& procs) {
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

// class := "Class" name end-of-statement { member } "End" "Class"
// member := procedure | ( "Public" | "Private" | "Dim" ) field { "," field }
// field := name [ bounds ]
void UnitParser::ParseClass() {
    auto decl = std::make_shared<ClassDecl>();
    decl->line = Line();
    decl->unit = &unit_;
    Next();
    decl->name = Identifier();
    EndStatement();
    SkipEnds();
    while (!Is(Keyword::End)) {
        if (At(TokenKind::EndOfInput)) {
            Fail(err::kExpectedEnd);
        }
        const bool modifier = Is(Keyword::Public) || Is(Keyword::Private);
        const std::size_t ahead = modifier ? (IsAt(1, Keyword::Default) ? 2 : 1) : 0;
        if (AtProcedure(ahead)) {
            decl->methods.push_back(ParseProcedure(true));
            CheckUnique(decl->methods);
        } else if (modifier || Is(Keyword::Dim)) {
            const bool isPublic = !Is(Keyword::Private);
            Next();
            ParseList([&] {
                ClassField field;
                field.isPublic = isPublic;
                field.name = Identifier();
                if (Is(Punct::LParen)) {
                    field.isArray = true;
                    field.bounds = ParseBounds();
                }
                decl->fields.push_back(std::move(field));
            });
            if (!Is(Keyword::End)) { // "Public x End Class"
                EndStatement();
            }
        } else {
            Fail(err::kSyntax);
        }
        SkipEnds();
    }
    Next();
    Expect(Keyword::Class, err::kSyntax);
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

// dim-list := [ "Preserve" ] (ReDim only) item { "," item }
// item := name [ bounds ]   (ReDim: bounds required)
std::unique_ptr<Stmt> UnitParser::ParseDim(StmtKind kind) {
    auto s = Make(kind);
    if (kind == StmtKind::ReDim && Is(Keyword::Preserve)) {
        s->preserve = true;
        Next();
    }
    ParseList([&] {
        DimItem item;
        item.name = Identifier();
        if (Is(Punct::LParen)) {
            item.isArray = true;
            item.bounds = ParseBounds();
        }
        if (kind == StmtKind::ReDim && item.bounds.empty()) {
            Fail(err::kExpectedLParen);
        }
        s->dims.push_back(std::move(item));
    });
    return s;
}

// const-list := name "=" expr { "," name "=" expr }
std::unique_ptr<Stmt> UnitParser::ParseConst() {
    auto s = Make(StmtKind::Const);
    ParseList([&] {
        DimItem item;
        item.name = Identifier();
        Expect(Punct::Equal, err::kExpectedEquals);
        item.value = ParseExpr();
        s->dims.push_back(std::move(item));
    });
    return s;
}

// bounds := "(" [ expr { "," expr } ] ")"   (the upper bounds of an array)
std::vector<ExprPtr> UnitParser::ParseBounds() {
    std::vector<ExprPtr> bounds;
    Next(); // "("
    while (!Is(Punct::RParen)) {
        bounds.push_back(ParseExpr());
        if (!Is(Punct::Comma)) {
            break;
        }
        Next();
    }
    Expect(Punct::RParen, err::kExpectedRParen);
    return bounds;
}

} // namespace ob::vbscript
