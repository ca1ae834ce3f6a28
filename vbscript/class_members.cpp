// Script classes: making instances (member variables, Class_Initialize), calling
// their members from outside and inside, and running Class_Terminate.
#include "vbscript/interpreter.h"

#include "vbscript/class_registry.h"
#include "vbscript/stack_guard.h"

namespace ob::vbscript {

namespace {

bool IsReadable(ProcKind kind) {
    return kind == ProcKind::Sub || kind == ProcKind::Function || kind == ProcKind::PropertyGet;
}
bool IsLet(ProcKind kind) {
    return kind == ProcKind::PropertyLet;
}
bool IsSet(ProcKind kind) {
    return kind == ProcKind::PropertySet;
}

} // namespace

std::shared_ptr<Procedure> Interpreter::FindMethod(const ClassDecl& decl, std::string_view name,
                                                   bool (*accept)(ProcKind)) {
    if (name.empty()) {
        // The default member: the procedure marked Default, or one of the other
        // kinds of the same name ("Property Let" beside a "Default Property Get").
        for (const auto& method : decl.methods) {
            if (method->isDefault) {
                name = method->name;
                break;
            }
        }
        if (name.empty()) {
            return nullptr;
        }
    }
    for (const auto& method : decl.methods) {
        if (accept(method->kind) && text::EqualsIgnoringCase(method->name, name)) {
            return method;
        }
    }
    return nullptr;
}

Interpreter::Callable Interpreter::FindCallable(std::string_view name) const {
    if (const auto& self = Current().self) {
        if (auto method = FindMethod(self->Decl(), name, IsReadable)) {
            return Callable{std::move(method), self};
        }
    }
    auto it = procedures_.find(name);
    return Callable{it == procedures_.end() ? nullptr : it->second, nullptr};
}

Variant Interpreter::NewInstance(std::string_view className) {
    auto it = classes_.find(className);
    if (it == classes_.end() && text::EqualsIgnoringCase(className, "RegExp")) {
        // The one built-in class `New` can make (a script class of that name wins).
        return Variant::FromObject(CreateObjectByProgId("VBScript.RegExp"));
    }
    if (it == classes_.end()) {
        ScriptException e(506, "Class not defined");
        e.description += ": '" + std::string(className) + "'";
        throw e;
    }
    const std::shared_ptr<ClassDecl> decl = it->second;
    auto instance = std::make_shared<ClassInstance>(self_, decl);
    for (const auto& field : decl->fields) {
        auto cell = std::make_shared<Variant>();
        if (field.isArray) {
            std::vector<std::int32_t> upper;
            for (const auto& b : field.bounds) {
                upper.push_back(Eval(*b).ToLong());
            }
            auto array = upper.empty() ? std::make_shared<ArrayData>() : ArrayData::Make(upper);
            array->fixed = !upper.empty();
            *cell = Variant::FromArray(std::move(array));
        }
        instance->Fields()[field.name] = std::move(cell);
    }
    if (auto init = FindMethod(*decl, "Class_Initialize", IsReadable)) {
        if (!init->params.empty()) {
            throw RuntimeError(err::kWrongArguments);
        }
        Invoke(*init, {}, instance);
    }
    return Variant::FromObject(std::move(instance));
}

Variant Interpreter::InvokeMember(ClassInstance& instance, std::string_view name, InvokeKind kind,
                                  std::vector<Variant>& args) {
    StackGuard::Check();
    std::shared_ptr<ClassInstance> self = instance.shared_from_this();
    const ClassDecl& decl = instance.Decl();
    const bool inside = Current().self.get() == &instance;
    const bool put = kind == InvokeKind::PropertyPut || kind == InvokeKind::PropertyPutRef;
    auto visible = [&](bool isPublic) { return isPublic || inside; };

    auto toCells = [](std::vector<Variant>& values) {
        std::vector<Cell> cells;
        for (auto& v : values) {
            cells.push_back(std::make_shared<Variant>(std::move(v)));
        }
        return cells;
    };

    // A method, property or the default member.
    std::shared_ptr<Procedure> method =
        put ? FindMethod(decl, name, kind == InvokeKind::PropertyPutRef ? IsSet : IsLet)
            : FindMethod(decl, name, IsReadable);
    if (method && visible(method->isPublic)) {
        if (method->params.size() != args.size()) {
            throw RuntimeError(err::kWrongArguments);
        }
        return Invoke(*method, toCells(args), std::move(self));
    }
    if (name.empty()) {
        throw RuntimeError(err::kNoSuchMember);
    }
    // A member variable.
    for (const auto& field : decl.fields) {
        if (!text::EqualsIgnoringCase(field.name, name) || !visible(field.isPublic)) {
            continue;
        }
        Cell& cell = instance.Fields()[field.name];
        if (!put) {
            if (args.empty()) {
                return *cell;
            }
            if (!cell->IsArray()) {
                throw RuntimeError(err::kTypeMismatch);
            }
            std::vector<std::int32_t> subscripts;
            for (const auto& a : args) {
                subscripts.push_back(a.ToLong());
            }
            const ArrayData& array = *cell->ArrayValue();
            return array.items[array.Offset(subscripts)];
        }
        Variant value = std::move(args.back());
        args.pop_back();
        if (kind == InvokeKind::PropertyPutRef && !value.IsObject()) {
            throw RuntimeError(err::kObjectRequired);
        }
        if (args.empty()) {
            *cell = std::move(value);
            return {};
        }
        if (!cell->IsArray()) {
            throw RuntimeError(err::kTypeMismatch);
        }
        std::vector<std::int32_t> subscripts;
        for (const auto& a : args) {
            subscripts.push_back(a.ToLong());
        }
        ArrayData& array = cell->MutableArray();
        array.items[array.Offset(subscripts)] = std::move(value);
        return {};
    }
    throw RuntimeError(err::kNoSuchMember);
}

void Interpreter::QueueTerminate(std::shared_ptr<const ClassDecl> decl, VariableMap fields) {
    if (FindMethod(*decl, "Class_Terminate", IsReadable)) {
        pendingTerminates_.emplace_back(std::move(decl), std::move(fields));
    }
}

void Interpreter::RunPendingTerminates() {
    if (terminating_) {
        return; // the outer drain picks up what this one would have run
    }
    terminating_ = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{terminating_};
    while (!pendingTerminates_.empty()) {
        auto [decl, fields] = std::move(pendingTerminates_.front());
        pendingTerminates_.pop_front();
        auto instance = std::make_shared<ClassInstance>(self_, decl);
        instance->Fields() = std::move(fields);
        instance->MarkTerminated();
        auto terminate = FindMethod(*decl, "Class_Terminate", IsReadable);
        try {
            Invoke(*terminate, {}, instance);
        } catch (const ScriptException&) {
            // An error inside Class_Terminate ends only Class_Terminate.
        }
    }
}

} // namespace ob::vbscript
