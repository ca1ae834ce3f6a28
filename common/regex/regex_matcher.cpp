#include "common/regex/regex_matcher.h"

#include "common/regex/regex_code.h"

namespace ob::common {

using namespace regex_code;

namespace {

bool InSet(std::string_view set, char c) {
    return set.find(c) != std::string_view::npos;
}

} // namespace

void RegexMatcher::Record(std::ptrdiff_t& slot, std::size_t position) {
    // Only a pending choice can come back to the old value.
    if (!choices_.empty()) {
        trail_.push_back(Saved{&slot, slot});
    }
    slot = static_cast<std::ptrdiff_t>(position);
}

void RegexMatcher::Undo(std::size_t height) {
    while (trail_.size() > height) {
        *trail_.back().slot = trail_.back().value;
        trail_.pop_back();
    }
}

// How many times the single-character node `operand` matches from `position` on.
bool RegexMatcher::Repeat(std::size_t operand, std::size_t position, std::size_t& count) const {
    if (!IsNode(code_, operand)) {
        return false;
    }
    const std::string_view rest = text_.substr(position);
    std::string_view operandText;
    count = 0;
    switch (code_[operand]) {
    case ANY:
        count = rest.size();
        return true;
    case EXACTLY:
        if (!OperandText(code_, operand, operandText) || operandText.empty()) {
            return false;
        }
        while (count < rest.size() && rest[count] == operandText[0]) {
            ++count;
        }
        return true;
    case ANYOF:
    case ANYBUT: {
        if (!OperandText(code_, operand, operandText)) {
            return false;
        }
        const bool wanted = code_[operand] == ANYOF;
        while (count < rest.size() && InSet(operandText, rest[count]) == wanted) {
            ++count;
        }
        return true;
    }
    default:
        return false;
    }
}

// Resumes the most recent choice: sets `position` and `node` to go on from. False
// when no choice is left.
bool RegexMatcher::Backtrack(std::size_t& position, std::size_t& node) {
    while (!choices_.empty()) {
        Choice& choice = choices_.back();
        Undo(choice.trail);
        if (!choice.repeat) {
            const std::size_t alternative = choice.node;
            position = choice.position;
            const std::size_t following = NextNode(code_, alternative);
            if (IsOp(code_, following, BRANCH)) {
                choice.node = following;
            } else {
                choices_.pop_back();
            }
            node = Operand(alternative);
            return true;
        }
        // Give back one repetition at a time; when a literal follows, only stop
        // where its first character is.
        const std::size_t repeat = choice.node;
        const std::size_t minimum = code_[repeat] == PLUS ? 1 : 0;
        const std::size_t after = NextNode(code_, repeat);
        int nextChar = -1;
        std::string_view literal;
        if (IsOp(code_, after, EXACTLY) && OperandText(code_, after, literal) && !literal.empty()) {
            nextChar = static_cast<unsigned char>(literal[0]);
        }
        for (;;) {
            const std::size_t count = choice.count;
            const std::size_t at = choice.position + count;
            const bool last = count == minimum;
            if (!last) {
                choice.count = count - 1;
            }
            const bool fits = nextChar < 0 || (at < text_.size() &&
                                               static_cast<unsigned char>(text_[at]) == nextChar);
            if (last) {
                choices_.pop_back(); // `choice` is gone from here on
            }
            if (fits) {
                position = at;
                node = after;
                return true;
            }
            if (last) {
                break;
            }
        }
    }
    return false;
}

RegexStatus RegexMatcher::RunAt(std::size_t at, Positions& start, Positions& end) {
    start.fill(RegexProgram::kNoPosition);
    end.fill(RegexProgram::kNoPosition);
    choices_.clear();
    trail_.clear();
    std::size_t position = at;
    std::size_t node = 1;
    for (;;) {
        if (++steps_ > limits_.max_steps) {
            return RegexStatus::kLimitReached;
        }
        if (!IsNode(code_, node)) {
            return RegexStatus::kDamaged;
        }
        const std::uint8_t op = code_[node];
        std::size_t next = NextNode(code_, node);
        bool matched = true;
        std::string_view operandText;
        switch (op) {
        case END:
            start[0] = static_cast<std::ptrdiff_t>(at);
            end[0] = static_cast<std::ptrdiff_t>(position);
            return RegexStatus::kMatch;
        case BOL:
            matched = position == 0;
            break;
        case EOL:
            matched = position == text_.size();
            break;
        case ANY:
            matched = position < text_.size();
            position += matched ? 1 : 0;
            break;
        case EXACTLY:
            if (!OperandText(code_, node, operandText) || operandText.empty()) {
                return RegexStatus::kDamaged;
            }
            matched = text_.substr(position).starts_with(operandText);
            position += matched ? operandText.size() : 0;
            break;
        case ANYOF:
        case ANYBUT:
            if (!OperandText(code_, node, operandText)) {
                return RegexStatus::kDamaged;
            }
            matched =
                position < text_.size() && InSet(operandText, text_[position]) == (op == ANYOF);
            position += matched ? 1 : 0;
            break;
        case NOTHING:
        case BACK:
            break;
        case BRANCH:
            // With further alternatives, remember the next one.
            if (IsOp(code_, next, BRANCH)) {
                if (!Saving()) {
                    return RegexStatus::kLimitReached;
                }
                choices_.push_back(Choice{position, 0, trail_.size(), next, false});
            }
            next = Operand(node);
            break;
        case STAR:
        case PLUS: {
            std::size_t count = 0;
            if (!Repeat(Operand(node), position, count)) {
                return RegexStatus::kDamaged;
            }
            steps_ += count;
            if (steps_ > limits_.max_steps) {
                return RegexStatus::kLimitReached;
            }
            if (count < (op == PLUS ? 1u : 0u)) {
                matched = false;
                break;
            }
            if (!Saving()) {
                return RegexStatus::kLimitReached;
            }
            // Backtracking into this choice tries the longest run first.
            choices_.push_back(Choice{position, count, trail_.size(), node, true});
            matched = false;
            break;
        }
        default:
            if (op > OPEN && op < OPEN + kGroupSlots) {
                if (!Saving()) {
                    return RegexStatus::kLimitReached;
                }
                Record(start[op - OPEN], position);
            } else if (op > CLOSE && op < CLOSE + kGroupSlots) {
                if (!Saving()) {
                    return RegexStatus::kLimitReached;
                }
                Record(end[op - CLOSE], position);
            } else {
                return RegexStatus::kDamaged;
            }
            break;
        }
        if (!matched) {
            if (!Backtrack(position, node)) {
                return RegexStatus::kNoMatch;
            }
            continue;
        }
        node = next; // kNoNode (a node other than END with no successor) is damage
    }
}

} // namespace ob::common
