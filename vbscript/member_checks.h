// Checks shared by the Invoke of every built-in and host object: member names
// (compared without regard to case), argument counts (450 when wrong) and the kind
// of access. Header only; the interpreter's thread.
#pragma once

#include "vbscript/object.h"
#include "vbscript/script_exception.h"

#include "platform/text/ascii_case.h"

#include <cstddef>
#include <string_view>
#include <vector>

namespace ob::vbscript {

inline bool Is(std::string_view name, std::string_view member) {
    return text::EqualsIgnoringCase(name, member);
}

/// Raises 450 unless `args` holds between `least` and `most` values.
inline void RequireArgs(const std::vector<Variant>& args, std::size_t least, std::size_t most) {
    if (args.size() < least || args.size() > most) {
        throw ScriptException(err::kWrongArguments);
    }
}

/// Raises 450 unless `args` holds exactly `count` values.
inline void RequireArgs(const std::vector<Variant>& args, std::size_t count) {
    RequireArgs(args, count, count);
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

} // namespace ob::vbscript
