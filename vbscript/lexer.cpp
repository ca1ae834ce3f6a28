#include "vbscript/lexer.h"

#include "platform/text/ascii_case.h"
#include "platform/time/ole_date.h"

#include <cmath>
#include <cstdlib>

namespace ob::vbscript {

namespace {

bool IsNameStart(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool IsNameChar(char c) {
    return IsNameStart(c) || (c >= '0' && c <= '9') || c == '_';
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

ScriptException CompileError(long number, int line) {
    ScriptException e(number);
    e.line = line;
    return e;
}

class Lexer {
public:
    explicit Lexer(std::string_view source) : src_(source) {}

    std::vector<Token> Run() {
        tokens_.reserve(src_.size() / 4 + 2); // about one token per four bytes of source
        while (pos_ < src_.size()) {
            const char c = src_[pos_];
            if (c == ' ' || c == '\t' || c == '\f' || c == '\v') {
                ++pos_;
                space_ = true;
                continue;
            }
            if (c == '\r' || c == '\n') {
                pos_ += (c == '\r' && Peek(1) == '\n') ? 2 : 1;
                End(true);
                ++line_;
                continue;
            }
            if (c == '\'') {
                SkipComment();
                continue;
            }
            if (c == ':') {
                ++pos_;
                End(false);
                continue;
            }
            if (c == '_' && AtContinuation()) {
                continue;
            }
            if (IsNameStart(c)) {
                Name();
            } else if (c == '[') {
                BracketName();
            } else if (IsDigit(c) || (c == '.' && IsDigit(Peek(1)) && !AfterOperand())) {
                Number();
            } else if (c == '&' && AtRadixLiteral()) {
                Radix();
            } else if (c == '"') {
                String();
            } else if (c == '#') {
                Date();
            } else {
                Operator();
            }
            space_ = false;
        }
        End(true);
        Token eof;
        eof.kind = TokenKind::EndOfInput;
        eof.line = line_;
        tokens_.push_back(std::move(eof));
        return std::move(tokens_);
    }

private:
    char Peek(std::size_t ahead) const {
        return pos_ + ahead < src_.size() ? src_[pos_ + ahead] : '\0';
    }

    // "&H" and "&O" start a number only when a digit of that base follows: "&hi"
    // is the operator & and the name hi.
    bool AtRadixLiteral() const {
        const char radix = Peek(1);
        const char digit = Peek(2);
        if (radix == 'H' || radix == 'h') {
            return IsDigit(digit) || (digit >= 'a' && digit <= 'f') ||
                   (digit >= 'A' && digit <= 'F');
        }
        return (radix == 'O' || radix == 'o') && digit >= '0' && digit <= '7';
    }

    bool AfterOperand() const {
        if (tokens_.empty() || space_) {
            return false;
        }
        const Token& t = tokens_.back();
        return t.kind == TokenKind::Name || t.punct == Punct::RParen;
    }

    void Push(Token t) {
        t.line = line_;
        t.spaceBefore = space_;
        tokens_.push_back(std::move(t));
    }

    void End(bool newline) {
        // Repeated ends collapse into one; a line break wins over ":", but the token
        // remembers that it started with a ":" ("If c Then :" ends on its line).
        if (!tokens_.empty() && tokens_.back().kind == TokenKind::EndOfStatement) {
            tokens_.back().newline = tokens_.back().newline || newline;
            return;
        }
        if (tokens_.empty()) {
            return;
        }
        Token t;
        t.kind = TokenKind::EndOfStatement;
        t.newline = newline;
        t.colon = !newline;
        Push(std::move(t));
    }

    void SkipComment() {
        while (pos_ < src_.size() && src_[pos_] != '\r' && src_[pos_] != '\n') {
            ++pos_;
        }
    }

    // "_" followed only by blanks up to the end of the line joins the next line.
    bool AtContinuation() {
        std::size_t p = pos_ + 1;
        while (p < src_.size() && (src_[p] == ' ' || src_[p] == '\t')) {
            ++p;
        }
        if (p < src_.size() && src_[p] != '\r' && src_[p] != '\n') {
            return false;
        }
        if (p < src_.size()) {
            p += (src_[p] == '\r' && p + 1 < src_.size() && src_[p + 1] == '\n') ? 2 : 1;
        }
        pos_ = p;
        ++line_;
        space_ = true;
        return true;
    }

    void Name() {
        const std::size_t start = pos_;
        while (pos_ < src_.size() && IsNameChar(src_[pos_])) {
            ++pos_;
        }
        std::string_view word = src_.substr(start, pos_ - start);
        if (text::EqualsIgnoringCase(word, "rem")) { // a comment to the end of the line
            SkipComment();
            return;
        }
        Token t;
        t.kind = TokenKind::Name;
        t.keyword = KeywordOf(word);
        t.text = std::string(word);
        Push(std::move(t));
    }

    void BracketName() {
        const std::size_t start = ++pos_;
        while (pos_ < src_.size() && src_[pos_] != ']' && src_[pos_] != '\n') {
            ++pos_;
        }
        if (pos_ >= src_.size() || src_[pos_] != ']') {
            throw CompileError(err::kExpectedIdentifier, line_);
        }
        Token t;
        t.kind = TokenKind::Name;
        t.text = std::string(src_.substr(start, pos_ - start));
        ++pos_;
        Push(std::move(t));
    }

    void Number() {
        const std::size_t start = pos_;
        bool real = false;
        while (IsDigit(Peek(0))) {
            ++pos_;
        }
        if (Peek(0) == '.' && IsDigit(Peek(1))) {
            real = true;
            ++pos_;
            while (IsDigit(Peek(0))) {
                ++pos_;
            }
        } else if (Peek(0) == '.' && !IsNameStart(Peek(1))) {
            real = true;
            ++pos_;
        }
        if ((Peek(0) == 'e' || Peek(0) == 'E') &&
            (IsDigit(Peek(1)) || ((Peek(1) == '+' || Peek(1) == '-') && IsDigit(Peek(2))))) {
            real = true;
            pos_ += 2;
            while (IsDigit(Peek(0))) {
                ++pos_;
            }
        }
        if (IsNameStart(Peek(0))) {
            throw CompileError(err::kExpectedEndOfStatement, line_);
        }
        const std::string digits(src_.substr(start, pos_ - start));
        const double value = std::strtod(digits.c_str(), nullptr);
        if (!std::isfinite(value)) {
            throw CompileError(err::kInvalidNumber, line_);
        }
        Token t;
        t.kind = TokenKind::Number;
        t.value = real ? Variant::Double(value) : Variant::Number(value);
        Push(std::move(t));
    }

    void Radix() {
        const bool hex = Peek(1) == 'H' || Peek(1) == 'h';
        pos_ += 2;
        const std::size_t start = pos_;
        std::uint64_t value = 0;
        for (;;) {
            const char c = Peek(0);
            int digit = -1;
            if (IsDigit(c)) {
                digit = c - '0';
            } else if (hex && c >= 'a' && c <= 'f') {
                digit = c - 'a' + 10;
            } else if (hex && c >= 'A' && c <= 'F') {
                digit = c - 'A' + 10;
            }
            if (digit < 0 || digit >= (hex ? 16 : 8)) {
                break;
            }
            value = value * (hex ? 16 : 8) + digit;
            if (value > 0xFFFFFFFFull) {
                throw CompileError(err::kInvalidNumber, line_);
            }
            ++pos_;
        }
        if (pos_ == start) {
            throw CompileError(err::kSyntax, line_);
        }
        if (Peek(0) == '&') {
            ++pos_; // a trailing & marks a Long
        }
        Token t;
        t.kind = TokenKind::Number;
        if (value <= 0xFFFF && pos_ - start <= (hex ? 4u : 6u)) {
            t.value = Variant::Integer(static_cast<std::int16_t>(value));
        } else {
            t.value = Variant::Long(static_cast<std::int32_t>(value));
        }
        Push(std::move(t));
    }

    void String() {
        ++pos_;
        std::string value;
        for (;;) {
            if (pos_ >= src_.size() || src_[pos_] == '\n' || src_[pos_] == '\r') {
                throw CompileError(err::kUnterminatedString, line_);
            }
            if (src_[pos_] == '"') {
                if (Peek(1) == '"') {
                    value += '"';
                    pos_ += 2;
                    continue;
                }
                ++pos_;
                break;
            }
            value += src_[pos_++];
        }
        Token t;
        t.kind = TokenKind::String;
        t.text = std::move(value);
        Push(std::move(t));
    }

    void Date() {
        const std::size_t start = ++pos_;
        while (pos_ < src_.size() && src_[pos_] != '#' && src_[pos_] != '\n') {
            ++pos_;
        }
        if (pos_ >= src_.size() || src_[pos_] != '#') {
            throw CompileError(err::kSyntax, line_);
        }
        const datetime::OleDate date = datetime::OleDate::Parse(src_.substr(start, pos_ - start));
        ++pos_;
        if (!date.IsValid()) {
            throw CompileError(err::kSyntax, line_);
        }
        Token t;
        t.kind = TokenKind::Date;
        t.value = Variant::Date(date.Value());
        Push(std::move(t));
    }

    void Operator() {
        struct Spelling {
            const char* text;
            Punct punct;
        };
        // Two-character spellings first; "><" is "<>", "=<" and "=>" are "<=" and ">=".
        static constexpr Spelling kSpellings[] = {
            {"<>", Punct::NotEqual},     {"><", Punct::NotEqual},  {"<=", Punct::LessEqual},
            {">=", Punct::GreaterEqual}, {"=<", Punct::LessEqual}, {"=>", Punct::GreaterEqual},
            {"(", Punct::LParen},        {")", Punct::RParen},     {",", Punct::Comma},
            {".", Punct::Dot},           {"=", Punct::Equal},      {"<", Punct::Less},
            {">", Punct::Greater},       {"+", Punct::Plus},       {"-", Punct::Minus},
            {"*", Punct::Star},          {"/", Punct::Slash},      {"\\", Punct::Backslash},
            {"^", Punct::Caret},         {"&", Punct::Ampersand},
        };
        for (const Spelling& s : kSpellings) {
            const std::string_view text(s.text);
            if (src_.substr(pos_, text.size()) == text) {
                Token t;
                t.kind = TokenKind::Operator;
                t.punct = s.punct;
                t.text = text;
                pos_ += text.size();
                Push(std::move(t));
                return;
            }
        }
        throw CompileError(err::kInvalidCharacter, line_);
    }

    std::string_view src_;
    std::size_t pos_ = 0;
    int line_ = 1;
    bool space_ = false;
    std::vector<Token> tokens_;
};

} // namespace

std::vector<Token> Tokenize(std::string_view source) {
    return Lexer(source).Run();
}

std::vector<std::string> SplitLines(std::string_view source) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < source.size(); ++i) {
        if (source[i] == '\n' || source[i] == '\r') {
            lines.emplace_back(source.substr(start, i - start));
            if (source[i] == '\r' && i + 1 < source.size() && source[i + 1] == '\n') {
                ++i;
            }
            start = i + 1;
        }
    }
    if (start < source.size()) {
        lines.emplace_back(source.substr(start));
    }
    return lines;
}

} // namespace ob::vbscript
