#include "vbscript/objects/shell_environment.h"

#include "vbscript/objects/member_call.h"

#include "platform/env/environment.h"

namespace ob::vbscript::objects {

Variant ShellEnvironment::Invoke(std::string_view name, InvokeKind kind,
                                 std::vector<Variant>& args) {
    if (name.empty() || Is(name, "Item")) {
        if (IsRead(kind)) {
            RequireArgs(args, 1, 1);
            return Variant::String(env::Get(TextOf(args[0])).value_or(""));
        }
        RequireArgs(args, 2, 2);
        if (!env::Set(TextOf(args[0]), TextOf(args[1]))) {
            throw ScriptException(err::kInvalidCall);
        }
        return {};
    }
    if (!IsRead(kind)) {
        throw ScriptException(err::kNoSuchMember);
    }
    if (Is(name, "Count") || Is(name, "Length")) {
        RequireArgs(args, 0, 0);
        return Variant::Long(static_cast<std::int32_t>(env::Snapshot().size()));
    }
    if (Is(name, "Remove")) {
        RequireArgs(args, 1, 1);
        if (!env::Remove(TextOf(args[0]))) {
            throw ScriptException(err::kInvalidCall);
        }
        return {};
    }
    throw ScriptException(err::kNoSuchMember);
}

bool ShellEnvironment::Enumerate(std::vector<Variant>& items) {
    items.clear();
    for (const auto& [name, value] : env::Snapshot()) {
        items.push_back(Variant::String(name + "=" + value));
    }
    return true;
}

} // namespace ob::vbscript::objects
