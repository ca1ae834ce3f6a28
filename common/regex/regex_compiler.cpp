// The pattern compiler. A recursive-descent parser (expression, branch, piece,
// atom) that runs twice over the pattern: the sizing pass only counts the bytes the
// program needs and detects every error, the emission pass writes the nodes into a
// block of exactly that size and links them. Recursion only goes deeper at "(",
// and at most 9 groups can be open, so the parser's own depth is small.
#include "common/regex/regex_compiler.h"

#include "common/regex/regex_code.h"
#include "common/regex/regex_messages.h"

#include <initializer_list>

namespace ob::common {
namespace {

using namespace regex_code;

// What the parser knows about the piece of program it just built.
constexpr int kWorst = 0;    // nothing
constexpr int kHasWidth = 1; // never matches the empty string
constexpr int kSimple = 2;   // one character: can be the operand of STAR or PLUS
constexpr int kSpStart = 4;  // starts with a repetition that may match anything

// Characters with a meaning outside sets; a literal run stops at any of them.
constexpr std::string_view kMeta = "^$.[()|?+*\\";

bool IsRepeat(int c) {
    return c == '*' || c == '+' || c == '?';
}

class Pass {
public:
    // With `out` null this is the sizing pass: node handles are kNoNode and linking
    // does nothing. Otherwise nodes are appended to *out.
    Pass(std::string_view pattern, std::vector<std::uint8_t>* out) : pattern_(pattern), out_(out) {}

    // Parses the whole pattern; returns null or the rejection message. `flags`
    // receives what is known about the whole expression.
    const char* Run(int& flags) {
        Byte(kMagic);
        Expression(false, flags);
        return error_;
    }

    std::size_t Size() const { return size_; }

private:
    std::string_view pattern_;
    std::vector<std::uint8_t>* out_;
    std::size_t at_ = 0;   // parse position in the pattern
    std::size_t size_ = 0; // program bytes so far
    int groups_ = 1;       // the next group number
    const char* error_ = nullptr;

    bool AtEnd() const { return at_ >= pattern_.size(); }
    // The character at the parse position; 0 at the end (a pattern holds no NUL).
    int Peek() const { return AtEnd() ? 0 : static_cast<unsigned char>(pattern_[at_]); }

    std::size_t Fail(const char* message) {
        if (error_ == nullptr) {
            error_ = message;
        }
        return kNoNode;
    }

    std::size_t Node(Op op) {
        const std::size_t node = size_;
        size_ += kNodeHeader;
        if (out_ == nullptr) {
            return kNoNode;
        }
        out_->insert(out_->end(), {op, 0, 0});
        return node;
    }

    void Byte(int value) {
        ++size_;
        if (out_ != nullptr) {
            out_->push_back(static_cast<std::uint8_t>(value));
        }
    }

    // Puts a new node in front of the node at `operand`, which then becomes the new
    // node's operand. The links of the moved bytes are relative, so they stay valid.
    void Insert(Op op, std::size_t operand) {
        size_ += kNodeHeader;
        if (out_ != nullptr) {
            out_->insert(out_->begin() + static_cast<std::ptrdiff_t>(operand), {op, 0, 0});
        }
    }

    // Links the last node of the chain that starts at `node` to `target`.
    void Tail(std::size_t node, std::size_t target) {
        if (out_ == nullptr || node == kNoNode) {
            return;
        }
        const std::span<const std::uint8_t> code(*out_);
        std::size_t last = node;
        for (std::size_t next = NextNode(code, last); next != kNoNode;
             next = NextNode(code, last)) {
            last = next;
        }
        const std::size_t offset = (*out_)[last] == BACK ? last - target : target - last;
        (*out_)[last + 1] = static_cast<std::uint8_t>(offset >> 8);
        (*out_)[last + 2] = static_cast<std::uint8_t>(offset & 0xFF);
    }

    // Tail() on the operand chain of a BRANCH node; nothing for other nodes.
    void OperandTail(std::size_t node, std::size_t target) {
        if (out_ == nullptr || node == kNoNode || (*out_)[node] != BRANCH) {
            return;
        }
        Tail(Operand(node), target);
    }

    // expression: branch ( '|' branch )*, inside a group when `group` is set.
    std::size_t Expression(bool group, int& flags) {
        flags = kHasWidth;
        int number = 0;
        std::size_t head = kNoNode;
        if (group) {
            if (groups_ >= kGroupSlots) {
                return Fail(kRegexTooManyGroups);
            }
            number = groups_++;
            head = Node(static_cast<Op>(OPEN + number));
        }
        int branchFlags = 0;
        std::size_t branch = Branch(branchFlags);
        if (error_ != nullptr) {
            return kNoNode;
        }
        if (group) {
            Tail(head, branch);
        } else {
            head = branch;
        }
        auto merge = [&flags](int more) {
            if ((more & kHasWidth) == 0) {
                flags &= ~kHasWidth;
            }
            flags |= more & kSpStart;
        };
        merge(branchFlags);
        while (Peek() == '|') {
            ++at_;
            branch = Branch(branchFlags);
            if (error_ != nullptr) {
                return kNoNode;
            }
            Tail(head, branch);
            merge(branchFlags);
        }
        // Every alternative ends at the closing node.
        const std::size_t ender = Node(group ? static_cast<Op>(CLOSE + number) : END);
        Tail(head, ender);
        if (out_ != nullptr) {
            const std::span<const std::uint8_t> code(*out_);
            for (std::size_t node = head; node != kNoNode; node = NextNode(code, node)) {
                OperandTail(node, ender);
            }
        }
        if (group) {
            if (Peek() != ')') {
                return Fail(kRegexUnmatchedOpen);
            }
            ++at_;
        } else if (!AtEnd()) {
            // Branches stop only at the end, '|' or ')', so what is left over at the
            // top level starts with a ')' that closes nothing.
            return Fail(kRegexUnmatchedClose);
        }
        return head;
    }

    // branch: a BRANCH node whose operand is a sequence of pieces (NOTHING if empty).
    std::size_t Branch(int& flags) {
        flags = kWorst;
        const std::size_t head = Node(BRANCH);
        std::size_t chain = kNoNode;
        bool empty = true;
        while (!AtEnd() && Peek() != '|' && Peek() != ')') {
            int pieceFlags = 0;
            const std::size_t latest = Piece(pieceFlags);
            if (error_ != nullptr) {
                return kNoNode;
            }
            flags |= pieceFlags & kHasWidth;
            if (empty) {
                flags |= pieceFlags & kSpStart;
            } else {
                Tail(chain, latest);
            }
            chain = latest;
            empty = false;
        }
        if (empty) {
            Node(NOTHING);
        }
        return head;
    }

    // piece: an atom, optionally followed by one of * + ?.
    std::size_t Piece(int& flags) {
        int atomFlags = 0;
        const std::size_t atom = Atom(atomFlags);
        if (error_ != nullptr) {
            return kNoNode;
        }
        const int op = Peek();
        if (!IsRepeat(op)) {
            flags = atomFlags;
            return atom;
        }
        // A loop over something that can match nothing would never end.
        if ((atomFlags & kHasWidth) == 0 && op != '?') {
            return Fail(kRegexEmptyOperand);
        }
        flags = op != '+' ? (kWorst | kSpStart) : (kWorst | kHasWidth);
        const bool simple = (atomFlags & kSimple) != 0;
        if (op == '*' && simple) {
            Insert(STAR, atom);
        } else if (op == '*') {
            // x* as a loop: BRANCH(x, BACK to the BRANCH) or BRANCH(NOTHING), so one
            // more x is preferred over stopping.
            Insert(BRANCH, atom);
            OperandTail(atom, Node(BACK));
            OperandTail(atom, atom);
            Tail(atom, Node(BRANCH));
            Tail(atom, Node(NOTHING));
        } else if (op == '+' && simple) {
            Insert(PLUS, atom);
        } else if (op == '+') {
            // x+ as x followed by BRANCH(BACK to x) or BRANCH(NOTHING).
            const std::size_t loop = Node(BRANCH);
            Tail(atom, loop);
            Tail(Node(BACK), atom);
            Tail(loop, Node(BRANCH));
            Tail(atom, Node(NOTHING));
        } else {
            // x? as BRANCH(x) or BRANCH(NOTHING), both going on at the NOTHING.
            Insert(BRANCH, atom);
            Tail(atom, Node(BRANCH));
            const std::size_t skip = Node(NOTHING);
            Tail(atom, skip);
            OperandTail(atom, skip);
        }
        ++at_;
        if (IsRepeat(Peek())) {
            return Fail(kRegexNestedRepeat);
        }
        return atom;
    }

    std::size_t Atom(int& flags) {
        flags = kWorst;
        if (AtEnd()) {
            return Fail(kRegexInternalError); // Branch() stops at the end
        }
        const int c = Peek();
        ++at_;
        switch (c) {
        case '^':
            return Node(BOL);
        case '$':
            return Node(EOL);
        case '.':
            flags |= kHasWidth | kSimple;
            return Node(ANY);
        case '[':
            return Set(flags);
        case '(': {
            int groupFlags = 0;
            const std::size_t group = Expression(true, groupFlags);
            flags |= groupFlags & (kHasWidth | kSpStart);
            return group;
        }
        case '|':
        case ')':
            return Fail(kRegexInternalError); // Branch() stops before these
        case '?':
        case '+':
        case '*':
            return Fail(kRegexFollowsNothing);
        case '\\': {
            if (AtEnd()) {
                return Fail(kRegexTrailingBackslash);
            }
            const std::size_t node = Node(EXACTLY);
            Byte(Peek());
            ++at_;
            Byte(0);
            flags |= kHasWidth | kSimple;
            return node;
        }
        default:
            --at_;
            return Literal(flags);
        }
    }

    // A run of literal characters. When a repetition follows a run of several, the
    // run stops before its last character so that the repetition applies to it alone.
    std::size_t Literal(int& flags) {
        std::size_t length = pattern_.find_first_of(kMeta, at_);
        length = (length == std::string_view::npos ? pattern_.size() : length) - at_;
        const int ender =
            at_ + length < pattern_.size() ? static_cast<unsigned char>(pattern_[at_ + length]) : 0;
        if (length > 1 && IsRepeat(ender)) {
            --length;
        }
        flags |= kHasWidth;
        if (length == 1) {
            flags |= kSimple;
        }
        const std::size_t node = Node(EXACTLY);
        for (; length > 0; --length) {
            Byte(Peek());
            ++at_;
        }
        Byte(0);
        return node;
    }

    // A bracket set; the opening '[' is consumed. The members are stored one byte
    // each, ranges expanded.
    std::size_t Set(int& flags) {
        std::size_t node;
        if (Peek() == '^') {
            node = Node(ANYBUT);
            ++at_;
        } else {
            node = Node(ANYOF);
        }
        if (Peek() == ']' || Peek() == '-') {
            Byte(Peek());
            ++at_;
        }
        while (!AtEnd() && Peek() != ']') {
            if (Peek() != '-') {
                Byte(Peek());
                ++at_;
                continue;
            }
            ++at_;
            if (AtEnd() || Peek() == ']') {
                Byte('-'); // a '-' at the end is literal
                continue;
            }
            // A range starts at the member written just before the '-' (already
            // stored) and ends at the character after it.
            const int from = static_cast<unsigned char>(pattern_[at_ - 2]);
            const int to = Peek();
            if (from > to) {
                return Fail(kRegexBackwardRange);
            }
            for (int member = from + 1; member <= to; ++member) {
                Byte(member);
            }
            ++at_;
        }
        Byte(0);
        if (AtEnd()) {
            return Fail(kRegexUnclosedSet);
        }
        ++at_;
        flags |= kHasWidth | kSimple;
        return node;
    }
};

// First character, anchoring and must-have text, worked out when the expression
// has a single top-level alternative.
void SetOptimisations(RegexImage& image, int flags) {
    const std::span<const std::uint8_t> code(image.code);
    const std::size_t top = 1; // the outer BRANCH
    if (!IsOp(code, NextNode(code, top), END)) {
        return;
    }
    std::size_t scan = Operand(top);
    if (IsOp(code, scan, EXACTLY)) {
        image.first = static_cast<char>(code[Operand(scan)]);
    } else if (IsOp(code, scan, BOL)) {
        image.anchored = true;
    }
    // Only worth it when the match starts with a repetition that could make every
    // position a long attempt.
    if ((flags & kSpStart) == 0) {
        return;
    }
    // The top-level chain only runs forwards; the bound is a guard, not a limit.
    for (std::size_t guard = 0; IsNode(code, scan) && guard < code.size(); ++guard) {
        std::string_view text;
        if (code[scan] == EXACTLY && OperandText(code, scan, text) &&
            text.size() >= image.must_length) {
            image.must_offset = Operand(scan);
            image.must_length = text.size();
        }
        scan = NextNode(code, scan);
    }
}

} // namespace

const char* CompileRegexImage(std::string_view pattern, RegexImage& image) {
    image = RegexImage{};
    if (pattern.find('\0') != std::string_view::npos) {
        return kRegexNulCharacter;
    }
    int flags = 0;
    Pass sizing(pattern, nullptr);
    if (const char* error = sizing.Run(flags)) {
        return error;
    }
    if (sizing.Size() >= kMaxProgramSize) {
        return kRegexTooBig;
    }
    image.code.reserve(sizing.Size());
    Pass emission(pattern, &image.code);
    if (emission.Run(flags) != nullptr || image.code.size() != sizing.Size()) {
        image = RegexImage{};
        return kRegexInternalError;
    }
    SetOptimisations(image, flags);
    return nullptr;
}

} // namespace ob::common
