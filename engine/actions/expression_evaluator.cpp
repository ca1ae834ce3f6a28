#include "engine/actions/expression_evaluator.h"

#include "platform/env/environment.h"
#include "platform/text/blank.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <optional>
#include <string>
#include <string_view>

namespace ob::engine {

namespace {

// Variable names are looked up by this many leading characters.
constexpr std::size_t kSignificantNameLength = 8;

constexpr std::uint32_t kInt32Max = 0x7FFFFFFFu;
constexpr std::uint32_t kInt32MinMagnitude = 0x80000000u;

enum class Op {
    Multiply,
    Divide,
    Remainder,
    Add,
    Subtract,
    ShiftLeft,
    ShiftRight,
    Less,
    LessEqual,
    Greater,
    GreaterEqual,
    Equal,
    NotEqual,
    BitAnd,
    BitXor,
    BitOr,
    LogicalAnd,
    LogicalOr,
};

struct OpToken {
    Op op;
    int precedence; ///< higher binds tighter
    std::size_t length;
};

constexpr int kLowestPrecedence = 1;

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
bool IsLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
bool IsNameStart(char c) {
    return IsLetter(c) || c == '.' || c == '_';
}
bool IsNameChar(char c) {
    return IsLetter(c) || IsDigit(c) || c == '_' || c == '$';
}

// The value of `c` as a digit of `radix`, or -1.
int DigitValue(char c, unsigned radix) {
    int value = -1;
    if (IsDigit(c)) {
        value = c - '0';
    } else if (c >= 'a' && c <= 'f') {
        value = c - 'a' + 10;
    } else if (c >= 'A' && c <= 'F') {
        value = c - 'A' + 10;
    }
    return value >= 0 && static_cast<unsigned>(value) < radix ? value : -1;
}

// The binary operator starting at `text[pos]`, if any. Two-character operators are
// tried first so that "<<" is not read as "<" followed by a malformed operand.
std::optional<OpToken> OperatorAt(std::string_view text, std::size_t pos) {
    if (pos >= text.size()) {
        return std::nullopt;
    }
    const char c = text[pos];
    const char next = pos + 1 < text.size() ? text[pos + 1] : '\0';
    switch (c) {
    case '*':
        return OpToken{Op::Multiply, 10, 1};
    case '/':
        return OpToken{Op::Divide, 10, 1};
    case '%':
        return OpToken{Op::Remainder, 10, 1};
    case '+':
        return OpToken{Op::Add, 9, 1};
    case '-':
        return OpToken{Op::Subtract, 9, 1};
    case '<':
        if (next == '<') {
            return OpToken{Op::ShiftLeft, 8, 2};
        }
        if (next == '=') {
            return OpToken{Op::LessEqual, 7, 2};
        }
        return OpToken{Op::Less, 7, 1};
    case '>':
        if (next == '>') {
            return OpToken{Op::ShiftRight, 8, 2};
        }
        if (next == '=') {
            return OpToken{Op::GreaterEqual, 7, 2};
        }
        return OpToken{Op::Greater, 7, 1};
    case '=':
        if (next == '=') {
            return OpToken{Op::Equal, 6, 2};
        }
        return std::nullopt;
    case '!':
        if (next == '=') {
            return OpToken{Op::NotEqual, 6, 2};
        }
        return std::nullopt;
    case '&':
        if (next == '&') {
            return OpToken{Op::LogicalAnd, 2, 2};
        }
        return OpToken{Op::BitAnd, 5, 1};
    case '^':
        return OpToken{Op::BitXor, 4, 1};
    case '|':
        if (next == '|') {
            return OpToken{Op::LogicalOr, 1, 2};
        }
        return OpToken{Op::BitOr, 3, 1};
    default:
        return std::nullopt;
    }
}

// Reads a whole variable value: an optional sign and decimal digits, within the
// 32-bit range. Nothing for any other text.
std::optional<std::uint32_t> ParseVariableValue(std::string_view value) {
    std::size_t pos = 0;
    bool negative = false;
    if (pos < value.size() && (value[pos] == '-' || value[pos] == '+')) {
        negative = value[pos] == '-';
        ++pos;
    }
    if (pos == value.size()) {
        return std::nullopt;
    }
    const std::uint64_t limit = negative ? kInt32MinMagnitude : kInt32Max;
    std::uint64_t magnitude = 0;
    for (; pos < value.size(); ++pos) {
        if (!IsDigit(value[pos])) {
            return std::nullopt;
        }
        magnitude = magnitude * 10 + static_cast<std::uint64_t>(value[pos] - '0');
        if (magnitude > limit) {
            return std::nullopt;
        }
    }
    const auto bits = static_cast<std::uint32_t>(magnitude);
    return negative ? 0u - bits : bits;
}

// Values travel as unsigned 32-bit words so that every arithmetic step wraps
// without undefined behaviour; they are read as signed only where the sign
// matters (division, comparison, right shift).
std::int32_t AsSigned(std::uint32_t bits) {
    return static_cast<std::int32_t>(bits);
}
std::uint32_t AsBits(std::int32_t value) {
    return static_cast<std::uint32_t>(value);
}
std::uint32_t Truth(bool condition) {
    return condition ? 1u : 0u;
}

class Evaluator {
public:
    explicit Evaluator(std::string_view text) : text_(text) {}

    ExpressionResult Run() {
        ExpressionResult result;
        const std::uint32_t value = ParseBinary(kLowestPrecedence);
        // Whatever follows the expression (pos_ onwards) is ignored.
        result.defined = !stopped_;
        result.value = stopped_ ? 0 : AsSigned(value);
        result.diagnostics = diagnostics_;
        result.message = std::move(message_);
        return result;
    }

private:
    void Diagnose(std::string message) {
        if (diagnostics_ == 0) {
            message_ = std::move(message);
        }
        ++diagnostics_;
    }

    // A fault after which no value can be computed: evaluation ends here.
    void Stop(std::string message) {
        Diagnose(std::move(message));
        stopped_ = true;
    }

    std::string Where() const { return " at offset " + std::to_string(pos_); }

    void SkipBlanks() {
        while (pos_ < text_.size() && text::IsBlank(text_[pos_], text::kBlankTab)) {
            ++pos_;
        }
    }

    // operand { operator operand } for operators of at least `minPrecedence`; each
    // level's loop keeps the operators left-associative.
    std::uint32_t ParseBinary(int minPrecedence) {
        std::uint32_t left = ParseOperand(false);
        while (!stopped_) {
            SkipBlanks();
            const std::optional<OpToken> token = OperatorAt(text_, pos_);
            if (!token || token->precedence < minPrecedence) {
                break;
            }
            pos_ += token->length;
            const std::uint32_t right = ParseBinary(token->precedence + 1);
            if (stopped_) {
                break;
            }
            left = Apply(token->op, left, right);
        }
        return left;
    }

    std::uint32_t Apply(Op op, std::uint32_t a, std::uint32_t b) {
        const std::int32_t sa = AsSigned(a);
        const std::int32_t sb = AsSigned(b);
        switch (op) {
        case Op::Multiply:
            return a * b;
        case Op::Divide:
        case Op::Remainder:
            if (sb == 0) {
                Diagnose(op == Op::Divide ? "Division by zero" : "Remainder by zero");
                return 0;
            }
            if (sb == -1) {
                // Dividing by -1 is negation, which wraps for the smallest value
                // (a machine division would fault there); the remainder is 0.
                return op == Op::Divide ? 0u - a : 0u;
            }
            return AsBits(op == Op::Divide ? sa / sb : sa % sb);
        case Op::Add:
            return a + b;
        case Op::Subtract:
            return a - b;
        case Op::ShiftLeft:
            return a << (b & 31u);
        case Op::ShiftRight:
            return AsBits(sa >> (b & 31u));
        case Op::Less:
            return Truth(sa < sb);
        case Op::LessEqual:
            return Truth(sa <= sb);
        case Op::Greater:
            return Truth(sa > sb);
        case Op::GreaterEqual:
            return Truth(sa >= sb);
        case Op::Equal:
            return Truth(a == b);
        case Op::NotEqual:
            return Truth(a != b);
        case Op::BitAnd:
            return a & b;
        case Op::BitXor:
            return a ^ b;
        case Op::BitOr:
            return a | b;
        case Op::LogicalAnd:
            return Truth(a != 0 && b != 0);
        case Op::LogicalOr:
            return Truth(a != 0 || b != 0);
        }
        return 0;
    }

    // Entering a parenthesis or a unary operator; false (evaluation stopped) when
    // that would nest deeper than the limit.
    bool Enter() {
        if (depth_ >= kMaxExpressionDepth) {
            Stop("Expression nested deeper than " + std::to_string(kMaxExpressionDepth) +
                 " levels" + Where());
            return false;
        }
        ++depth_;
        return true;
    }

    // One operand. `negated`: it is the operand of a unary minus, so a decimal
    // number may be 2147483648 (making -2147483648).
    std::uint32_t ParseOperand(bool negated) {
        SkipBlanks();
        if (pos_ >= text_.size()) {
            Stop("Operand expected at the end of the expression");
            return 0;
        }
        const char c = text_[pos_];
        switch (c) {
        case '-':
        case '+':
        case '!':
        case '~': {
            if (!Enter()) {
                return 0;
            }
            ++pos_;
            const std::uint32_t operand = ParseOperand(c == '-');
            --depth_;
            switch (c) {
            case '-':
                return 0u - operand;
            case '!':
                return Truth(operand == 0);
            case '~':
                return ~operand;
            default:
                return operand;
            }
        }
        case '(': {
            if (!Enter()) {
                return 0;
            }
            ++pos_;
            const std::uint32_t inner = ParseBinary(kLowestPrecedence);
            --depth_;
            if (stopped_) {
                return 0;
            }
            SkipBlanks();
            if (pos_ >= text_.size() || text_[pos_] != ')') {
                Stop("Missing \")\"" + Where());
                return 0;
            }
            ++pos_;
            return inner;
        }
        case '$':
            ++pos_;
            return ParseDigits(16, kInt32Max * 2u + 1u, "$");
        case '%':
            ++pos_;
            return ParseDigits(2, kInt32Max * 2u + 1u, "%");
        case '@':
            ++pos_;
            return ParseDigits(8, kInt32Max * 2u + 1u, "@");
        case '\'':
            return ParseCharacterConstant();
        default:
            break;
        }
        if (IsDigit(c)) {
            return ParseDigits(10, negated ? kInt32MinMagnitude : kInt32Max, "");
        }
        if (IsNameStart(c)) {
            return ParseName();
        }
        Stop("Operand expected" + Where());
        return 0;
    }

    // Digits of `radix` at pos_ (the prefix already read). A value above `limit` is
    // a diagnostic and keeps its low 32 bits.
    std::uint32_t ParseDigits(unsigned radix, std::uint32_t limit, std::string_view prefix) {
        const std::size_t start = pos_;
        std::uint32_t bits = 0;
        std::uint64_t exact = 0; // saturates just above any limit
        int digit = 0;
        while (pos_ < text_.size() && (digit = DigitValue(text_[pos_], radix)) >= 0) {
            bits = bits * radix + static_cast<std::uint32_t>(digit);
            if (exact <= 0xFFFFFFFFull) {
                exact = exact * radix + static_cast<std::uint64_t>(digit);
            }
            ++pos_;
        }
        if (pos_ == start) {
            Stop("Digits expected after \"" + std::string(prefix) + "\"" + Where());
            return 0;
        }
        if (exact > limit) {
            Diagnose("Number does not fit 32 bits: " + std::string(prefix) +
                     std::string(text_.substr(start, pos_ - start)));
        }
        return bits;
    }

    // 'text' with '' for one quote: each character shifts the earlier ones up by
    // 8 bits; exactly three characters are shifted once more.
    std::uint32_t ParseCharacterConstant() {
        const std::size_t start = pos_;
        ++pos_; // the opening quote
        std::uint32_t bits = 0;
        std::size_t count = 0;
        for (;;) {
            if (pos_ >= text_.size()) {
                pos_ = start;
                Stop("Unterminated character constant" + Where());
                return 0;
            }
            if (text_[pos_] == '\'') {
                if (pos_ + 1 < text_.size() && text_[pos_ + 1] == '\'') {
                    pos_ += 2;
                    bits = (bits << 8) | static_cast<unsigned char>('\'');
                    ++count;
                    continue;
                }
                ++pos_; // the closing quote
                break;
            }
            bits = (bits << 8) | static_cast<unsigned char>(text_[pos_]);
            ++pos_;
            ++count;
        }
        if (count == 0) {
            Diagnose("Empty character constant at offset " + std::to_string(start));
        } else if (count == 3) {
            bits <<= 8;
        } else if (count > 4) {
            Diagnose("Character constant longer than four characters at offset " +
                     std::to_string(start));
        }
        return bits;
    }

    std::uint32_t ParseName() {
        const std::size_t start = pos_;
        ++pos_;
        while (pos_ < text_.size() && IsNameChar(text_[pos_])) {
            ++pos_;
        }
        const std::string name(text_.substr(start, std::min(pos_ - start, kSignificantNameLength)));
        const std::optional<std::string> value = ob::env::Get(name);
        // An empty value counts as unset, as it does in the variable store.
        if (!value || value->empty()) {
            Diagnose("Variable not set: " + name);
            return 0;
        }
        const std::optional<std::uint32_t> number = ParseVariableValue(*value);
        if (!number) {
            Diagnose("Variable " + name + " is not a 32-bit decimal integer: \"" + *value + "\"");
            return 0;
        }
        return *number;
    }

    std::string_view text_;
    std::size_t pos_ = 0;
    int depth_ = 0;
    bool stopped_ = false;
    int diagnostics_ = 0;
    std::string message_;
};

} // namespace

ExpressionResult EvaluateExpression(std::string_view text) {
    try {
        return Evaluator(text).Run();
    } catch (const std::exception&) {
        // Only an allocation can fail; report it without allocating again.
        ExpressionResult failed;
        failed.diagnostics = 1;
        return failed;
    }
}

} // namespace ob::engine
