#include "vbscript/unit_parser.h"

#include "vbscript/lexer.h"
#include "vbscript/parser.h"
#include "vbscript/stack_guard.h"

namespace ob::vbscript {

std::unique_ptr<Unit> Parse(std::string_view source) {
    auto unit = std::make_unique<Unit>();
    unit->lines = SplitLines(source);
    try {
        UnitParser(Tokenize(source), *unit).Run();
    } catch (ScriptException& e) {
        if (e.text.empty()) {
            e.text = unit->Line(static_cast<int>(e.line));
        }
        throw;
    }
    return unit;
}

// unit := { procedure | class | "Option" "Explicit" | statement } (each ended by a
//         line break or ":")
void UnitParser::Run() {
    SkipEnds();
    while (!At(TokenKind::EndOfInput)) {
        if (AtProcedure(0) || ((Is(Keyword::Public) || Is(Keyword::Private)) && AtProcedure(1))) {
            // A later procedure of the same name replaces an earlier one.
            unit_.procedures.push_back(ParseProcedure());
        } else if (Is(Keyword::Class)) {
            ParseClass();
        } else if (Is(Keyword::Option)) {
            Next();
            Expect(Keyword::Explicit, err::kSyntax);
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

// ---- token cursor ----

void UnitParser::Fail(long number) const {
    ScriptException e(number);
    e.line = Line();
    throw e;
}

bool UnitParser::AtCloser() const {
    if (!At(TokenKind::Name)) {
        return false;
    }
    switch (Cur().keyword) {
    case Keyword::End:
    case Keyword::Next:
    case Keyword::Loop:
    case Keyword::Wend:
    case Keyword::Else:
    case Keyword::ElseIf:
    case Keyword::Case:
        return true;
    default:
        return false;
    }
}

bool UnitParser::AtProcedure(std::size_t ahead) const {
    // `Property` is a keyword only before Get, Let or Set: elsewhere it is a name.
    return IsAt(ahead, Keyword::Sub) || IsAt(ahead, Keyword::Function) ||
           (IsAt(ahead, Keyword::Property) &&
            (IsAt(ahead + 1, Keyword::Get) || IsAt(ahead + 1, Keyword::Let) ||
             IsAt(ahead + 1, Keyword::Set)));
}

void UnitParser::Expect(Keyword word, long number) {
    if (!Is(word)) {
        Fail(number);
    }
    Next();
}

void UnitParser::Expect(Punct op, long number) {
    if (!Is(op)) {
        Fail(number);
    }
    Next();
}

void UnitParser::SkipEnds() {
    while (At(TokenKind::EndOfStatement)) {
        Next();
    }
}

void UnitParser::EndStatement() {
    if (At(TokenKind::EndOfInput)) {
        return;
    }
    if (!At(TokenKind::EndOfStatement)) {
        Fail(err::kExpectedEndOfStatement);
    }
    Next();
}

std::string UnitParser::Identifier() {
    if (!At(TokenKind::Name) || IsReserved(Cur().keyword)) {
        Fail(err::kExpectedIdentifier);
    }
    std::string name = Cur().text;
    Next();
    return name;
}

void UnitParser::Enter(int& depth) {
    StackGuard::Check();
    if (++depth > kMaxDepth) {
        Fail(err::kOutOfStack);
    }
}

// ---- blocks ----

namespace {

// Leaves a level of nesting however the parse of it ends.
struct Leave {
    int& depth;
    ~Leave() { --depth; }
};

} // namespace

// block := { statement } up to (not including) a line starting with one of `stops`
Block UnitParser::ParseBlock(std::initializer_list<Keyword> stops) {
    Enter(blockDepth_);
    Leave leave{blockDepth_};
    Block block;
    SkipEnds();
    for (;;) {
        if (At(TokenKind::EndOfInput)) {
            return block;
        }
        for (const Keyword stop : stops) {
            if (Is(stop)) {
                return block;
            }
        }
        if (AtProcedure(0) || Is(Keyword::Class)) {
            Fail(err::kSyntax); // procedures and classes do not nest
        }
        auto stmt = ParseStatement();
        if (stmt) {
            block.push_back(std::move(stmt));
        }
        if (!AtCloser()) { // "x = 1 End Sub": a closer may follow on the same line
            EndStatement();
        }
        SkipEnds();
    }
}

// inline-block := statement { ":" statement } up to the end of the line or a
// closer (Else, End If, or the closer of an enclosing one-line block)
// (the statements of a single-line If)
Block UnitParser::ParseInlineBlock() {
    Enter(blockDepth_);
    Leave leave{blockDepth_};
    Block block;
    for (;;) {
        if (AtCloser() || At(TokenKind::EndOfInput) ||
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

} // namespace ob::vbscript
