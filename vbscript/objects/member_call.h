// Checks shared by the standard objects' Invoke: member names (compared without
// regard to case) and argument counts (450 when wrong). Interpreter's thread.
#pragma once

#include "vbscript/object.h"
#include "vbscript/script_exception.h"

#include "platform/text/ascii_case.h"

#include <cstddef>
#include <string_view>
#include <vector>

namespace ob::vbscript::objects {

inline bool Is(std::string_view name, std::string_view member) {
    return text::EqualsIgnoringCase(name, member);
}

/// Raises 450 unless `args` holds between `least` and `most` values.
inline void RequireArgs(const std::vector<Variant>& args, std::size_t least, std::size_t most) {
    if (args.size() < least || args.size() > most) {
        throw ScriptException(err::kWrongArguments);
    }
}

/// True for the kinds that read (a property read or a call).
inline bool IsRead(InvokeKind kind) {
    return kind == InvokeKind::Method || kind == InvokeKind::PropertyGet;
}

/// A read-only property: raises 450 for an assignment or any argument.
inline void RequireRead(InvokeKind kind, const std::vector<Variant>& args) {
    if (!IsRead(kind) || !args.empty()) {
        throw ScriptException(err::kWrongArguments);
    }
}

/// An optional argument: absent, or Empty because the script left it out.
inline bool Given(const std::vector<Variant>& args, std::size_t index) {
    return index < args.size() && !args[index].IsEmpty();
}

/// The value of an argument: an object stands for its default member (a File
/// passed where a path is wanted gives its Path), as in any call through the
/// dispatch interface. Raises 424 for Nothing.
Variant ValueOf(const Variant& value);

/// ValueOf(value) as text.
std::string TextOf(const Variant& value);

/// A new one-dimensional array holding `items`.
Variant MakeArray(std::vector<Variant> items);

} // namespace ob::vbscript::objects
