#include "vbscript/regexp/regex_syntax.h"

#include "vbscript/script_exception.h"
#include "vbscript/stack_guard.h"

namespace ob::vbscript::regexp {
namespace {

using NodePtr = std::unique_ptr<Node>;

NodePtr MakeNode(NodeKind kind) {
    auto node = std::make_unique<Node>();
    node->kind = kind;
    return node;
}

bool IsOctal(char32_t c) {
    return c >= '0' && c <= '7';
}

int HexValue(char32_t c) {
    if (c >= '0' && c <= '9') {
        return static_cast<int>(c - '0');
    }
    if (c >= 'a' && c <= 'f') {
        return static_cast<int>(c - 'a' + 10);
    }
    if (c >= 'A' && c <= 'F') {
        return static_cast<int>(c - 'A' + 10);
    }
    return -1;
}

// The number of capturing groups: backslash-digit escapes name a group only when
// the pattern has that many, wherever the group stands.
int CountGroups(const std::u32string& p) {
    int count = 0;
    bool inClass = false;
    for (std::size_t i = 0; i < p.size(); ++i) {
        const char32_t c = p[i];
        if (c == '\\') {
            ++i;
        } else if (inClass) {
            inClass = c != ']';
        } else if (c == '[') {
            inClass = true;
        } else if (c == '(' && (i + 1 >= p.size() || p[i + 1] != '?')) {
            ++count;
        }
    }
    return count;
}

// One element of a character class: a character or a shorthand class.
struct ClassAtom {
    char32_t ch = 0;
    unsigned shorthand = 0;
};

class Parser {
public:
    Parser(const std::u32string& pattern, ParsedPattern& out)
        : p_(pattern), out_(out), totalGroups_(CountGroups(pattern)) {}

    NodePtr Parse() {
        NodePtr root = ParseAlternation();
        if (pos_ < p_.size()) {
            throw ScriptException(errors::kSyntax); // a ')' without its '('
        }
        out_.groupCount = nextGroup_;
        return root;
    }

private:
    bool AtEnd() const { return pos_ >= p_.size(); }
    char32_t Peek(std::size_t ahead = 0) const {
        return pos_ + ahead < p_.size() ? p_[pos_ + ahead] : 0;
    }

    NodePtr ParseAlternation() {
        StackGuard::Check();
        NodePtr first = ParseSequence();
        if (Peek() != '|' || AtEnd()) {
            return first;
        }
        NodePtr alt = MakeNode(NodeKind::Alternation);
        alt->children.push_back(std::move(first));
        while (!AtEnd() && Peek() == '|') {
            ++pos_;
            alt->children.push_back(ParseSequence());
        }
        return alt;
    }

    NodePtr ParseSequence() {
        NodePtr seq = MakeNode(NodeKind::Sequence);
        while (!AtEnd() && Peek() != '|' && Peek() != ')') {
            std::int32_t min = 0;
            std::int32_t max = 0;
            std::size_t after = 0;
            if (ReadQuantifier(min, max, after)) {
                throw ScriptException(errors::kUnexpectedQuantifier); // nothing to repeat
            }
            bool quantifiable = true;
            const int groupsBefore = nextGroup_;
            NodePtr atom = ParseAtom(quantifiable);
            if (ReadQuantifier(min, max, after)) {
                if (!quantifiable) {
                    throw ScriptException(errors::kUnexpectedQuantifier);
                }
                pos_ = after;
                bool greedy = true;
                if (Peek() == '?' && !AtEnd()) {
                    greedy = false;
                    ++pos_;
                }
                NodePtr repeat = MakeNode(NodeKind::Repeat);
                repeat->min = min;
                repeat->max = max;
                repeat->greedy = greedy;
                repeat->firstGroup = groupsBefore + 1;
                repeat->lastGroup = nextGroup_;
                repeat->children.push_back(std::move(atom));
                atom = std::move(repeat);
            }
            seq->children.push_back(std::move(atom));
        }
        if (seq->children.size() == 1) {
            return std::move(seq->children.front());
        }
        if (seq->children.empty()) {
            return MakeNode(NodeKind::Empty);
        }
        return seq;
    }

    // A quantifier at pos_: * + ? {n} {n,} {n,m}. A brace that does not form one
    // is an ordinary character. Sets `after` to the position behind it.
    bool ReadQuantifier(std::int32_t& min, std::int32_t& max, std::size_t& after) {
        if (AtEnd()) {
            return false;
        }
        switch (Peek()) {
        case '*':
            min = 0;
            max = kUnbounded;
            after = pos_ + 1;
            return true;
        case '+':
            min = 1;
            max = kUnbounded;
            after = pos_ + 1;
            return true;
        case '?':
            min = 0;
            max = 1;
            after = pos_ + 1;
            return true;
        case '{':
            break;
        default:
            return false;
        }
        std::size_t i = pos_ + 1;
        if (!ReadNumber(i, min)) {
            return false;
        }
        max = min;
        if (i < p_.size() && p_[i] == ',') {
            ++i;
            max = kUnbounded;
            if (i < p_.size() && IsDigit(p_[i])) {
                ReadNumber(i, max);
            }
        }
        if (i >= p_.size() || p_[i] != '}') {
            return false;
        }
        if (min > max) {
            throw ScriptException(errors::kSyntax);
        }
        after = i + 1;
        return true;
    }

    // Decimal digits, saturating at kUnbounded.
    bool ReadNumber(std::size_t& i, std::int32_t& value) const {
        if (i >= p_.size() || !IsDigit(p_[i])) {
            return false;
        }
        std::int64_t v = 0;
        while (i < p_.size() && IsDigit(p_[i])) {
            v = v * 10 + (p_[i] - '0');
            if (v > kUnbounded) {
                v = kUnbounded;
            }
            ++i;
        }
        value = static_cast<std::int32_t>(v);
        return true;
    }

    NodePtr ParseAtom(bool& quantifiable) {
        const char32_t c = p_[pos_++];
        switch (c) {
        case '.':
            return MakeNode(NodeKind::Any);
        case '^':
            quantifiable = false;
            return MakeNode(NodeKind::LineStart);
        case '$':
            quantifiable = false;
            return MakeNode(NodeKind::LineEnd);
        case '(':
            return ParseGroup();
        case '[':
            return ParseClass();
        case '\\':
            return ParseEscape(quantifiable);
        default: {
            NodePtr node = MakeNode(NodeKind::Char);
            node->ch = c;
            return node;
        }
        }
    }

    NodePtr ParseGroup() {
        if (++depth_ > kMaxNesting) {
            throw ScriptException(errors::kSyntax);
        }
        NodePtr node;
        if (Peek() == '?' && !AtEnd()) {
            const char32_t kind = Peek(1);
            if (kind == ':') {
                node = MakeNode(NodeKind::Group);
            } else if (kind == '=' || kind == '!') {
                node = MakeNode(NodeKind::Lookahead);
                node->negative = kind == '!';
            } else {
                throw ScriptException(errors::kSyntax);
            }
            pos_ += 2;
        } else {
            node = MakeNode(NodeKind::Group);
            node->group = ++nextGroup_;
        }
        node->children.push_back(ParseAlternation());
        if (AtEnd() || Peek() != ')') {
            throw ScriptException(errors::kExpectedParen);
        }
        ++pos_;
        --depth_;
        return node;
    }

    NodePtr ShorthandClass(unsigned bits) {
        CharClass set;
        set.shorthands = bits;
        out_.classes.push_back(std::move(set));
        NodePtr node = MakeNode(NodeKind::Class);
        node->classIndex = static_cast<int>(out_.classes.size() - 1);
        return node;
    }

    static unsigned ShorthandBits(char32_t c) {
        switch (c) {
        case 'd':
            return CharClass::kDigit;
        case 'D':
            return CharClass::kNotDigit;
        case 'w':
            return CharClass::kWord;
        case 'W':
            return CharClass::kNotWord;
        case 's':
            return CharClass::kSpace;
        case 'S':
            return CharClass::kNotSpace;
        default:
            return 0;
        }
    }

    // Up to three octal digits starting at pos_ (value at most 0377).
    char32_t ReadOctal() {
        char32_t value = 0;
        for (int n = 0; n < 3 && !AtEnd() && IsOctal(Peek()); ++n) {
            const char32_t next = value * 8 + (Peek() - '0');
            if (next > 0377) {
                break;
            }
            value = next;
            ++pos_;
        }
        return value;
    }

    // Exactly `digits` hex digits at pos_, or false (and nothing consumed).
    bool ReadHex(int digits, char32_t& value) {
        if (pos_ + digits > p_.size()) {
            return false;
        }
        char32_t v = 0;
        for (int n = 0; n < digits; ++n) {
            const int h = HexValue(p_[pos_ + n]);
            if (h < 0) {
                return false;
            }
            v = v * 16 + static_cast<char32_t>(h);
        }
        pos_ += digits;
        value = v;
        return true;
    }

    // The character escapes shared by patterns and classes; `c` (already
    // consumed) is the character after the backslash.
    char32_t CharacterEscape(char32_t c) {
        char32_t value = 0;
        switch (c) {
        case 'n':
            return '\n';
        case 'r':
            return '\r';
        case 't':
            return '\t';
        case 'f':
            return '\f';
        case 'v':
            return '\v';
        case 'x':
            return ReadHex(2, value) ? value : c;
        case 'u':
            return ReadHex(4, value) ? value : c;
        case 'c':
            if (!AtEnd() &&
                ((Peek() >= 'a' && Peek() <= 'z') || (Peek() >= 'A' && Peek() <= 'Z'))) {
                return p_[pos_++] % 32;
            }
            --pos_; // "\c" without a letter is a backslash followed by "c"
            return '\\';
        default:
            if (IsOctal(c)) {
                --pos_;
                return ReadOctal();
            }
            return c; // any other escaped character stands for itself
        }
    }

    NodePtr ParseEscape(bool& quantifiable) {
        if (AtEnd()) {
            throw ScriptException(errors::kSyntax); // a pattern cannot end in a backslash
        }
        const char32_t c = p_[pos_++];
        if (const unsigned bits = ShorthandBits(c)) {
            return ShorthandClass(bits);
        }
        if (c == 'b' || c == 'B') {
            quantifiable = false;
            return MakeNode(c == 'b' ? NodeKind::WordBoundary : NodeKind::NotWordBoundary);
        }
        if (c >= '1' && c <= '9') {
            // The longest one- or two-digit number naming an existing group is a
            // backreference; otherwise octal digits are a character code.
            int number = static_cast<int>(c - '0');
            if (!AtEnd() && IsDigit(Peek()) &&
                number * 10 + static_cast<int>(Peek() - '0') <= totalGroups_) {
                number = number * 10 + static_cast<int>(p_[pos_++] - '0');
            }
            if (number <= totalGroups_) {
                NodePtr node = MakeNode(NodeKind::BackReference);
                node->group = number;
                return node;
            }
        }
        NodePtr node = MakeNode(NodeKind::Char);
        node->ch = CharacterEscape(c);
        return node;
    }

    ClassAtom ReadClassAtom() {
        const char32_t c = p_[pos_++];
        if (c != '\\') {
            return {c, 0};
        }
        if (AtEnd()) {
            throw ScriptException(errors::kExpectedBracket);
        }
        const char32_t e = p_[pos_++];
        if (const unsigned bits = ShorthandBits(e)) {
            return {0, bits};
        }
        if (e == 'b') {
            return {'\b', 0};
        }
        return {CharacterEscape(e), 0};
    }

    NodePtr ParseClass() {
        CharClass set;
        if (!AtEnd() && Peek() == '^') {
            set.negated = true;
            ++pos_;
        }
        for (;;) {
            if (AtEnd()) {
                throw ScriptException(errors::kExpectedBracket);
            }
            if (Peek() == ']') {
                ++pos_;
                break;
            }
            const ClassAtom from = ReadClassAtom();
            if (pos_ + 1 < p_.size() && Peek() == '-' && Peek(1) != ']') {
                ++pos_;
                const ClassAtom to = ReadClassAtom();
                if (from.shorthand || to.shorthand) {
                    // [\d-z]: a shorthand cannot bound a range; all three count alone.
                    Add(set, from);
                    set.ranges.emplace_back('-', '-');
                    Add(set, to);
                } else if (from.ch > to.ch) {
                    throw ScriptException(errors::kInvalidRange);
                } else {
                    set.ranges.emplace_back(from.ch, to.ch);
                }
            } else {
                Add(set, from);
            }
        }
        out_.classes.push_back(std::move(set));
        NodePtr node = MakeNode(NodeKind::Class);
        node->classIndex = static_cast<int>(out_.classes.size() - 1);
        return node;
    }

    static void Add(CharClass& set, const ClassAtom& atom) {
        if (atom.shorthand) {
            set.shorthands |= atom.shorthand;
        } else {
            set.ranges.emplace_back(atom.ch, atom.ch);
        }
    }

    const std::u32string& p_;
    ParsedPattern& out_;
    const int totalGroups_;
    std::size_t pos_ = 0;
    int depth_ = 0;
    int nextGroup_ = 0;
};

} // namespace

ParsedPattern ParsePattern(const std::u32string& pattern) {
    ParsedPattern out;
    Parser parser(pattern, out);
    out.root = parser.Parse();
    return out;
}

} // namespace ob::vbscript::regexp
