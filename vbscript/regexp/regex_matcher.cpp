#include "vbscript/regexp/regex_matcher.h"

#include "vbscript/regexp/regex_syntax.h"
#include "vbscript/script_exception.h"

#include <algorithm>

namespace ob::vbscript::regexp {
namespace {

[[noreturn]] void TooComplex() {
    throw ScriptException(errors::kTooComplex, "Regular expression too complex");
}

} // namespace

Matcher::Matcher(const Program& program, const std::u32string& text, std::int64_t stepBudget)
    : program_(program), text_(text),
      length_(static_cast<std::int32_t>(std::min<std::size_t>(text.size(), INT32_MAX - 1))),
      stepBudget_(stepBudget) {
    if (text.size() >= static_cast<std::size_t>(INT32_MAX - 1)) {
        TooComplex();
    }
    slots_.assign(2 * static_cast<std::size_t>(program.groupCount + 1), -1);
    counters_.assign(static_cast<std::size_t>(program.counterCount), 0);
    passStart_.assign(static_cast<std::size_t>(program.counterCount), -1);
}

void Matcher::Step(std::int64_t count) {
    steps_ += count;
    if (steps_ > budget_) {
        TooComplex();
    }
}

void Matcher::Push(Kind kind, std::int32_t pc, std::int32_t pos, std::int32_t a, std::int32_t b) {
    if (stack_.size() >= kMaxBacktrackEntries) {
        TooComplex();
    }
    stack_.push_back(Entry{kind, pc, pos, a, b});
}

void Matcher::SetSlot(std::int32_t slot, std::int32_t value) {
    Push(Kind::RestoreSlot, 0, 0, slot, slots_[slot]);
    slots_[slot] = value;
}

bool Matcher::Same(char32_t a, char32_t b) const {
    return a == b || (program_.ignoreCase && SameIgnoringCase(a, b));
}

bool Matcher::IsWordAt(std::int32_t pos) const {
    return pos >= 0 && pos < length_ && IsWordChar(text_[pos]);
}

bool Matcher::MatchesOne(const Instruction& single, char32_t c) const {
    switch (static_cast<Op>(single.d)) {
    case Op::Char:
        return Same(c, single.ch);
    case Op::Any:
        return c != '\n';
    default:
        return program_.classes[single.a].Matches(c, program_.ignoreCase);
    }
}

// One more pass through a loop's body: remember where it began (a pass past the
// minimum must consume something) and forget what its groups took last time.
void Matcher::EnterPass(const Instruction& loop) {
    Push(Kind::RestoreCounter, 0, passStart_[loop.a], loop.a, counters_[loop.a]);
    passStart_[loop.a] = pos_;
    for (int group = loop.e; group <= loop.f; ++group) {
        for (const int slot : {2 * group, 2 * group + 1}) {
            if (slots_[slot] >= 0) {
                SetSlot(slot, -1);
            }
        }
    }
}

bool Matcher::Search(std::int32_t from, MatchSpan& match) {
    steps_ = 0;
    budget_ = stepBudget_ + kStepsPerCharacter * (static_cast<std::int64_t>(length_) - from + 1);
    std::fill(slots_.begin(), slots_.end(), -1);
    const Instruction& first = program_.code.front();
    const bool anchored = first.op == Op::LineStart && !program_.multiline;
    for (std::int32_t start = std::max(from, 0); start <= length_; ++start) {
        if (anchored && start > 0) {
            break;
        }
        // Skip starts where a leading literal cannot match.
        if (first.op == Op::Char && !program_.ignoreCase) {
            while (start < length_ && text_[start] != first.ch) {
                ++start;
                Step();
            }
            if (start >= length_) {
                break;
            }
        }
        if (Run(start)) {
            match.slots = slots_;
            match.slots[0] = start;
            match.slots[1] = pos_;
            return true;
        }
    }
    return false;
}

// Starts with every slot unset. A failed run unwinds the whole stack, which undoes
// every change it made, so the next start needs no reset of its own.
bool Matcher::Run(std::int32_t start) {
    stack_.clear();
    looks_.clear();
    pc_ = 0;
    pos_ = start;
    const std::vector<Instruction>& code = program_.code;
    for (;;) {
        Step();
        const Instruction& in = code[pc_];
        bool ok = true;
        switch (in.op) {
        case Op::Char:
            ok = pos_ < length_ && Same(text_[pos_], in.ch);
            if (ok) {
                ++pos_;
                ++pc_;
            }
            break;
        case Op::Any:
            ok = pos_ < length_ && text_[pos_] != '\n';
            if (ok) {
                ++pos_;
                ++pc_;
            }
            break;
        case Op::Class:
            ok = pos_ < length_ && program_.classes[in.a].Matches(text_[pos_], program_.ignoreCase);
            if (ok) {
                ++pos_;
                ++pc_;
            }
            break;
        case Op::LineStart:
            ok = pos_ == 0 || (program_.multiline && text_[pos_ - 1] == '\n');
            ++pc_;
            break;
        case Op::LineEnd:
            ok = pos_ == length_ || (program_.multiline && text_[pos_] == '\n');
            ++pc_;
            break;
        case Op::WordBoundary:
        case Op::NotWordBoundary:
            ok = (IsWordAt(pos_ - 1) != IsWordAt(pos_)) == (in.op == Op::WordBoundary);
            ++pc_;
            break;
        case Op::Save:
            SetSlot(in.a, pos_);
            ++pc_;
            break;
        case Op::Split:
            Push(Kind::Branch, in.a, pos_);
            ++pc_;
            break;
        case Op::Jump:
            pc_ = in.a;
            break;
        case Op::RepeatInit:
            Push(Kind::RestoreCounter, 0, passStart_[in.a], in.a, counters_[in.a]);
            counters_[in.a] = 0;
            ++pc_;
            break;
        case Op::RepeatLoop: {
            const std::int32_t done = counters_[in.a];
            if (done < in.b) {
                EnterPass(in);
                ++pc_;
            } else if (done >= in.c) {
                pc_ = in.d;
            } else if (in.flag) {
                Push(Kind::Branch, in.d, pos_);
                EnterPass(in);
                ++pc_;
            } else {
                Push(Kind::LazyEnter, pc_, pos_);
                pc_ = in.d;
            }
            break;
        }
        case Op::RepeatNext: {
            const std::int32_t done = counters_[in.a];
            if (done >= in.b && pos_ == passStart_[in.a]) {
                ok = false; // an optional pass that consumed nothing ends the loop
                break;
            }
            Push(Kind::RestoreCounter, 0, passStart_[in.a], in.a, done);
            counters_[in.a] = done + 1;
            pc_ = in.c;
            break;
        }
        case Op::RepeatSingle: {
            const std::int32_t want = in.flag ? in.c : in.b;
            std::int32_t taken = 0;
            while (taken < want && pos_ + taken < length_ && MatchesOne(in, text_[pos_ + taken])) {
                ++taken;
            }
            Step(taken);
            if (taken < in.b) {
                ok = false;
                break;
            }
            if (in.flag ? taken > in.b : taken < in.c) {
                Push(in.flag ? Kind::SingleGreedy : Kind::SingleLazy, pc_, pos_, taken);
            }
            pos_ += taken;
            ++pc_;
            break;
        }
        case Op::LookStart:
            Push(Kind::LookMarker, in.a, pos_, in.flag ? 1 : 0);
            looks_.push_back(stack_.size() - 1);
            ++pc_;
            break;
        case Op::LookEnd: {
            const std::size_t marker = looks_.back();
            looks_.pop_back();
            const Entry look = stack_[marker];
            Step(static_cast<std::int64_t>(stack_.size() - marker));
            if (look.a == 0) {
                // Matched: the lookahead's alternatives are dropped (it is atomic)
                // but its captures stay undoable.
                std::size_t kept = marker;
                for (std::size_t i = marker + 1; i < stack_.size(); ++i) {
                    if (stack_[i].kind == Kind::RestoreSlot ||
                        stack_[i].kind == Kind::RestoreCounter) {
                        stack_[kept++] = stack_[i];
                    }
                }
                stack_.resize(kept);
                pos_ = look.pos;
                pc_ = look.pc;
            } else {
                // A negative lookahead whose body matched fails: undo the body's
                // captures and drop its alternatives.
                while (stack_.size() > marker + 1) {
                    const Entry& top = stack_.back();
                    if (top.kind == Kind::RestoreSlot) {
                        slots_[top.a] = top.b;
                    } else if (top.kind == Kind::RestoreCounter) {
                        counters_[top.a] = top.b;
                        passStart_[top.a] = top.pos;
                    }
                    stack_.pop_back();
                }
                stack_.pop_back();
                ok = false;
            }
            break;
        }
        case Op::BackReference: {
            const std::int32_t from = slots_[2 * in.a];
            const std::int32_t to = slots_[2 * in.a + 1];
            if (from >= 0 && to >= from) {
                const std::int32_t count = to - from;
                Step(count);
                ok = count <= length_ - pos_;
                for (std::int32_t i = 0; ok && i < count; ++i) {
                    ok = Same(text_[from + i], text_[pos_ + i]);
                }
                if (ok) {
                    pos_ += count;
                }
            }
            ++pc_;
            break;
        }
        case Op::Match:
            return true;
        }
        if (!ok && !Backtrack()) {
            return false;
        }
    }
}

// Pops the backtracking stack until an alternative to resume; false when none is left.
bool Matcher::Backtrack() {
    while (!stack_.empty()) {
        Step();
        const Entry top = stack_.back();
        stack_.pop_back();
        switch (top.kind) {
        case Kind::RestoreSlot:
            slots_[top.a] = top.b;
            break;
        case Kind::RestoreCounter:
            counters_[top.a] = top.b;
            passStart_[top.a] = top.pos;
            break;
        case Kind::Branch:
            pc_ = top.pc;
            pos_ = top.pos;
            return true;
        case Kind::LazyEnter: {
            const Instruction& loop = program_.code[top.pc];
            pos_ = top.pos;
            EnterPass(loop);
            pc_ = top.pc + 1;
            return true;
        }
        case Kind::SingleGreedy: {
            const Instruction& in = program_.code[top.pc];
            const std::int32_t taken = top.a - 1;
            if (taken > in.b) {
                Push(Kind::SingleGreedy, top.pc, top.pos, taken);
            }
            pos_ = top.pos + taken;
            pc_ = top.pc + 1;
            return true;
        }
        case Kind::SingleLazy: {
            const Instruction& in = program_.code[top.pc];
            const std::int32_t at = top.pos + top.a;
            if (at < length_ && MatchesOne(in, text_[at])) {
                const std::int32_t taken = top.a + 1;
                if (taken < in.c) {
                    Push(Kind::SingleLazy, top.pc, top.pos, taken);
                }
                pos_ = top.pos + taken;
                pc_ = top.pc + 1;
                return true;
            }
            break;
        }
        case Kind::LookMarker:
            looks_.pop_back();
            if (top.a != 0) {
                // The body of a negative lookahead found no match: it holds.
                pos_ = top.pos;
                pc_ = top.pc;
                return true;
            }
            break;
        }
    }
    return false;
}

} // namespace ob::vbscript::regexp
