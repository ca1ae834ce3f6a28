#include "vbscript/regexp/match_objects.h"

#include "vbscript/member_checks.h"

#include "platform/text/ascii_case.h"
#include "vbscript/script_exception.h"

namespace ob::vbscript::regexp {
namespace {

void RequireGet(InvokeKind kind) {
    if (kind == InvokeKind::PropertyPut || kind == InvokeKind::PropertyPutRef) {
        throw ScriptException(err::kNoSuchMember); // every member is read-only
    }
}

// Item(i) of a collection: i counts from 0; outside the collection is error 5.
Variant ItemAt(const std::vector<Variant>& items, std::vector<Variant>& args) {
    RequireArgs(args, 1);
    const std::int32_t index = args[0].ToLong();
    if (index < 0 || static_cast<std::size_t>(index) >= items.size()) {
        throw ScriptException(err::kInvalidCall);
    }
    return items[static_cast<std::size_t>(index)];
}

} // namespace

Variant SubMatchesObject::Invoke(std::string_view name, InvokeKind kind,
                                 std::vector<Variant>& args) {
    RequireGet(kind);
    if (name.empty() || Is(name, "item")) {
        return ItemAt(items_, args);
    }
    if (Is(name, "count")) {
        RequireArgs(args, 0);
        return Variant::Long(static_cast<std::int32_t>(items_.size()));
    }
    throw ScriptException(err::kNoSuchMember);
}

bool SubMatchesObject::Enumerate(std::vector<Variant>& items) {
    items = items_;
    return true;
}

MatchObject::MatchObject(std::string value, std::int32_t firstIndex, std::int32_t length,
                         std::vector<Variant> subMatches)
    : value_(std::move(value)), firstIndex_(firstIndex), length_(length),
      subMatches_(std::make_shared<SubMatchesObject>(std::move(subMatches))) {}

Variant MatchObject::Invoke(std::string_view name, InvokeKind kind, std::vector<Variant>& args) {
    RequireGet(kind);
    if (Is(name, "submatches")) {
        if (!args.empty()) {
            return subMatches_->Invoke("", kind, args); // m.SubMatches(i)
        }
        return Variant::FromObject(subMatches_);
    }
    if (name.empty() || Is(name, "value")) {
        RequireArgs(args, 0);
        return Variant::String(value_);
    }
    if (Is(name, "firstindex")) {
        RequireArgs(args, 0);
        return Variant::Long(firstIndex_);
    }
    if (Is(name, "length")) {
        RequireArgs(args, 0);
        return Variant::Long(length_);
    }
    throw ScriptException(err::kNoSuchMember);
}

Variant MatchesObject::Invoke(std::string_view name, InvokeKind kind, std::vector<Variant>& args) {
    RequireGet(kind);
    if (name.empty() || Is(name, "item")) {
        return ItemAt(matches_, args);
    }
    if (Is(name, "count")) {
        RequireArgs(args, 0);
        return Variant::Long(static_cast<std::int32_t>(matches_.size()));
    }
    throw ScriptException(err::kNoSuchMember);
}

bool MatchesObject::Enumerate(std::vector<Variant>& items) {
    items = matches_;
    return true;
}

} // namespace ob::vbscript::regexp
