// The tokens of VBScript source. The lexer classifies every name once: a keyword
// carries its Keyword (reserved words cannot name variables; contextual ones such
// as `Step`, `Property` or `Explicit` can), and every operator its Punct, so the
// parser compares small enums instead of texts.
#pragma once

#include "vbscript/variant.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace ob::vbscript {

enum class TokenKind { Name, Number, String, Date, Operator, EndOfStatement, EndOfInput };

enum class Keyword : std::uint8_t {
    None,
    // reserved: never a name
    And,
    Call,
    Case,
    Class,
    Const,
    Dim,
    Do,
    Each,
    Else,
    ElseIf,
    Empty,
    End,
    Eqv,
    Exit,
    False,
    For,
    Function,
    If,
    Imp,
    In,
    Is,
    Loop,
    Mod,
    New,
    Next,
    Not,
    Nothing,
    Null,
    On,
    Option,
    Or,
    Preserve,
    Private,
    Public,
    ReDim,
    Select,
    Set,
    Sub,
    Then,
    To,
    True,
    Until,
    Wend,
    While,
    With,
    Xor,
    // contextual: keywords only where the grammar expects them
    ByRef,
    ByVal,
    Default,
    Erase,
    Error,
    Explicit,
    Get,
    GoTo,
    Let,
    Property,
    Resume,
    Step,
};

/// The first contextual keyword: the ones before it are reserved.
inline constexpr Keyword kFirstContextual = Keyword::ByRef;

enum class Punct : std::uint8_t {
    None,
    LParen,
    RParen,
    Comma,
    Dot,
    Equal,
    NotEqual,
    Less,
    Greater,
    LessEqual,
    GreaterEqual,
    Plus,
    Minus,
    Star,
    Slash,
    Backslash,
    Caret,
    Ampersand,
};

struct Token {
    TokenKind kind = TokenKind::EndOfInput;
    Keyword keyword = Keyword::None; ///< Name: the keyword it spells, if any
    Punct punct = Punct::None;       ///< Operator
    std::string text; ///< Name: as written; Operator: the operator; String: the value
    Variant value;    ///< Number, Date
    int line = 0;
    bool newline = false; ///< EndOfStatement: a line break (false: ":")
    bool colon = false;   ///< EndOfStatement: starts with ":" (a line break may follow)
    bool spaceBefore = false;
};

/// The keyword a name spells (without regard to case), or Keyword::None.
Keyword KeywordOf(std::string_view name);

/// Reserved words cannot name a variable, constant, procedure or class.
inline bool IsReserved(Keyword keyword) {
    return keyword != Keyword::None && keyword < kFirstContextual;
}

} // namespace ob::vbscript
