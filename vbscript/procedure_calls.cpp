// Calling script procedures: binding arguments ByRef and ByVal (array elements
// written back after the call) and running the body in a frame of its own.
#include "vbscript/interpreter.h"

#include "vbscript/stack_guard.h"

namespace ob::vbscript {

Variant Interpreter::CallProcedure(const Callable& callable, const std::vector<ExprPtr>& args) {
    const Procedure& proc = *callable.proc;
    if (args.size() != proc.params.size()) {
        throw NamedError(err::kWrongArguments, proc.name);
    }
    // An array element passed ByRef is copied in and written back after the call.
    struct WriteBack {
        Cell array;
        std::vector<std::int32_t> subscripts;
        Cell value;
    };
    std::vector<WriteBack> writeBacks;
    std::vector<Cell> cells;
    cells.reserve(args.size());
    for (std::size_t i = 0; i < args.size(); ++i) {
        const Expr* arg = args[i].get();
        if (!arg) {
            throw NamedError(err::kWrongArguments, proc.name);
        }
        const bool byRef = !proc.params[i].byVal && !arg->parenthesized;
        // A plain variable passed ByRef shares its cell with the parameter.
        if (byRef && arg->kind == ExprKind::Name && !IsConstant(arg->name)) {
            Cell cell = FindVariable(arg->name);
            if (!cell && !IsKnownNonVariable(arg->name) && !OptionExplicit()) {
                cell = DeclareVariable(arg->name);
            }
            if (cell) {
                cells.push_back(std::move(cell));
                continue;
            }
        }
        if (byRef && arg->kind == ExprKind::Call && arg->object->kind == ExprKind::Name) {
            Cell array = FindVariable(arg->object->name);
            if (array && array->IsArray()) {
                std::vector<std::int32_t> subscripts;
                for (const auto& index : arg->args) {
                    if (!index) {
                        throw RuntimeError(err::kSubscript);
                    }
                    subscripts.push_back(Eval(*index).ToLong());
                }
                const ArrayData& data = *array->ArrayValue();
                auto value = std::make_shared<Variant>(data.items[data.Offset(subscripts)]);
                cells.push_back(value);
                writeBacks.push_back({std::move(array), std::move(subscripts), std::move(value)});
                continue;
            }
        }
        cells.push_back(std::make_shared<Variant>(Eval(*arg)));
    }
    Variant result = Invoke(proc, std::move(cells), callable.self);
    for (auto& back : writeBacks) {
        // The procedure may have resized or replaced the array: write back only
        // where the element still exists.
        if (back.array->IsArray()) {
            ArrayData& data = back.array->MutableArray();
            if (data.upper.size() == back.subscripts.size()) {
                bool inside = true;
                for (std::size_t d = 0; d < data.upper.size(); ++d) {
                    inside =
                        inside && back.subscripts[d] >= 0 && back.subscripts[d] <= data.upper[d];
                }
                if (inside) {
                    data.items[data.Offset(back.subscripts)] = std::move(*back.value);
                }
            }
        }
    }
    return result;
}

Variant Interpreter::Invoke(const Procedure& proc, std::vector<Cell> cells,
                            std::shared_ptr<ClassInstance> self) {
    StackGuard::Check();
    if (cells.size() != proc.params.size()) {
        throw NamedError(err::kWrongArguments, proc.name);
    }
    Scope locals;
    for (std::size_t i = 0; i < cells.size(); ++i) {
        if (proc.params[i].byVal) {
            locals.vars[proc.params[i].name] = std::make_shared<Variant>(*cells[i]);
        } else {
            locals.vars[proc.params[i].name] = std::move(cells[i]);
        }
    }
    Cell result;
    if (proc.isFunction) {
        result = std::make_shared<Variant>();
        locals.vars[proc.name] = result;
    }
    Hoist(proc.body, locals);
    Frame frame;
    frame.scope = &locals;
    frame.proc = &proc;
    frame.unit = proc.unit;
    frame.withBase = withStack_.size();
    frame.self = std::move(self);
    FrameGuard guard(*this, frame);
    ExecBlock(proc.body);
    return result ? std::move(*result) : Variant();
}

} // namespace ob::vbscript
