#include "vbscript/regexp/regex_program.h"

#include "vbscript/regexp/regex_syntax.h"
#include "vbscript/stack_guard.h"

namespace ob::vbscript::regexp {
namespace {

class Compiler {
public:
    explicit Compiler(Program& program) : program_(program) {}

    void Emit(const Node& node) {
        StackGuard::Check();
        switch (node.kind) {
        case NodeKind::Empty:
            return;
        case NodeKind::Char:
            Add(Op::Char).ch = node.ch;
            return;
        case NodeKind::Any:
            Add(Op::Any);
            return;
        case NodeKind::Class:
            Add(Op::Class).a = node.classIndex;
            return;
        case NodeKind::LineStart:
            Add(Op::LineStart);
            return;
        case NodeKind::LineEnd:
            Add(Op::LineEnd);
            return;
        case NodeKind::WordBoundary:
            Add(Op::WordBoundary);
            return;
        case NodeKind::NotWordBoundary:
            Add(Op::NotWordBoundary);
            return;
        case NodeKind::BackReference:
            Add(Op::BackReference).a = node.group;
            return;
        case NodeKind::Group:
            if (node.group > 0) {
                Add(Op::Save).a = 2 * node.group;
            }
            Emit(*node.children.front());
            if (node.group > 0) {
                Add(Op::Save).a = 2 * node.group + 1;
            }
            return;
        case NodeKind::Lookahead: {
            const std::size_t start = Here();
            Add(Op::LookStart).flag = node.negative;
            Emit(*node.children.front());
            Add(Op::LookEnd);
            Code()[start].a = Here32();
            return;
        }
        case NodeKind::Sequence:
            for (const auto& child : node.children) {
                Emit(*child);
            }
            return;
        case NodeKind::Alternation:
            EmitAlternation(node);
            return;
        case NodeKind::Repeat:
            EmitRepeat(node);
            return;
        }
    }

private:
    std::vector<Instruction>& Code() { return program_.code; }
    std::size_t Here() const { return program_.code.size(); }
    std::int32_t Here32() const { return static_cast<std::int32_t>(program_.code.size()); }

    Instruction& Add(Op op) {
        Instruction instruction;
        instruction.op = op;
        program_.code.push_back(instruction);
        return program_.code.back();
    }

    void EmitAlternation(const Node& node) {
        std::vector<std::size_t> jumps;
        for (std::size_t i = 0; i + 1 < node.children.size(); ++i) {
            const std::size_t split = Here();
            Add(Op::Split);
            Emit(*node.children[i]);
            jumps.push_back(Here());
            Add(Op::Jump);
            Code()[split].a = Here32();
        }
        Emit(*node.children.back());
        for (const std::size_t jump : jumps) {
            Code()[jump].a = Here32();
        }
    }

    void EmitRepeat(const Node& node) {
        const Node& body = *node.children.front();
        if (node.max == 0) {
            return; // x{0} matches the empty text; its groups stay unset
        }
        if (node.min == 1 && node.max == 1) {
            Emit(body);
            return;
        }
        if (body.kind == NodeKind::Char || body.kind == NodeKind::Any ||
            body.kind == NodeKind::Class) {
            Instruction& repeat = Add(Op::RepeatSingle);
            repeat.b = node.min;
            repeat.c = node.max;
            repeat.flag = node.greedy;
            repeat.d = static_cast<std::int32_t>(body.kind == NodeKind::Char  ? Op::Char
                                                 : body.kind == NodeKind::Any ? Op::Any
                                                                              : Op::Class);
            repeat.ch = body.ch;
            repeat.a = body.classIndex;
            return;
        }
        const std::int32_t counter = program_.counterCount++;
        Add(Op::RepeatInit).a = counter;
        const std::size_t loop = Here();
        {
            Instruction& head = Add(Op::RepeatLoop);
            head.a = counter;
            head.b = node.min;
            head.c = node.max;
            head.flag = node.greedy;
            head.e = node.firstGroup;
            head.f = node.lastGroup;
        }
        Emit(body);
        Instruction& next = Add(Op::RepeatNext);
        next.a = counter;
        next.b = node.min;
        next.c = static_cast<std::int32_t>(loop);
        Code()[loop].d = Here32();
    }

    Program& program_;
};

} // namespace

Program CompilePattern(const std::u32string& pattern, bool ignoreCase, bool multiline) {
    ParsedPattern parsed = ParsePattern(pattern);
    Program program;
    program.classes = std::move(parsed.classes);
    program.groupCount = parsed.groupCount;
    program.ignoreCase = ignoreCase;
    program.multiline = multiline;
    Compiler compiler(program);
    compiler.Emit(*parsed.root);
    Instruction match;
    match.op = Op::Match;
    program.code.push_back(match);
    return program;
}

} // namespace ob::vbscript::regexp
