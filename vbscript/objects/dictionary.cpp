#include "vbscript/objects/dictionary.h"

#include "vbscript/class_registry.h"
#include "vbscript/objects/member_call.h"

#include <functional>

namespace ob::vbscript::objects {
namespace {

constexpr long kKeyExists = 457;
constexpr long kElementNotFound = 32811;

enum KeyKind { kEmptyKey, kNullKey, kBooleanKey, kNumberKey, kTextKey, kObjectKey };

} // namespace

std::size_t Dictionary::KeyIdHash::operator()(const KeyId& id) const {
    std::size_t h = std::hash<int>()(id.kind);
    switch (id.kind) {
    case kBooleanKey:
    case kNumberKey:
        // 0.0 and -0.0 are equal and must hash alike.
        h ^= std::hash<double>()(id.number == 0 ? 0.0 : id.number) * 31;
        break;
    case kTextKey:
        h ^= std::hash<std::string>()(id.text) * 31;
        break;
    case kObjectKey:
        h ^= std::hash<const Object*>()(id.object) * 31;
        break;
    default:
        break;
    }
    return h;
}

Dictionary::KeyId Dictionary::IdOf(const Variant& key) const {
    KeyId id;
    switch (key.Type()) {
    case VarType::Empty:
        id.kind = kEmptyKey;
        break;
    case VarType::Null:
        id.kind = kNullKey;
        break;
    case VarType::Boolean:
        id.kind = kBooleanKey;
        id.number = key.ToDouble();
        break;
    case VarType::String:
        id.kind = kTextKey;
        id.text = textCompare_ ? text::AsciiLower(key.StringValue()) : key.StringValue();
        break;
    case VarType::Object:
        id.kind = kObjectKey;
        id.object = key.ObjectValue().get();
        break;
    case VarType::Array:
        throw ScriptException(err::kTypeMismatch);
    default:
        id.kind = kNumberKey;
        id.number = key.ToDouble();
        if (id.number != id.number) {
            throw ScriptException(err::kTypeMismatch); // NaN equals nothing, not even itself
        }
        break;
    }
    return id;
}

Dictionary::Entries::iterator Dictionary::Find(const Variant& key) {
    auto it = index_.find(IdOf(key));
    return it == index_.end() ? entries_.end() : it->second;
}

Dictionary::Entries::iterator Dictionary::Insert(const Variant& key, Variant item) {
    KeyId id = IdOf(key);
    auto position = entries_.insert(entries_.end(), Entry{key, std::move(item)});
    index_.emplace(std::move(id), position);
    return position;
}

Variant& Dictionary::ItemFor(const Variant& key) {
    auto it = Find(key);
    if (it == entries_.end()) {
        it = Insert(key, Variant());
    }
    return it->item;
}

Variant Dictionary::Invoke(std::string_view name, InvokeKind kind, std::vector<Variant>& args) {
    if (name.empty() || Is(name, "Item")) {
        if (IsRead(kind)) {
            RequireArgs(args, 1, 1);
            return ItemFor(args[0]);
        }
        RequireArgs(args, 2, 2);
        if (kind == InvokeKind::PropertyPutRef && !args[1].IsObject()) {
            throw ScriptException(err::kObjectRequired);
        }
        ItemFor(args[0]) = std::move(args[1]);
        return {};
    }
    if (Is(name, "Key")) {
        if (IsRead(kind)) {
            throw ScriptException(err::kNoSuchMember); // Key can only be assigned
        }
        RequireArgs(args, 2, 2);
        auto old = Find(args[0]);
        if (old == entries_.end()) {
            throw ScriptException(kElementNotFound);
        }
        KeyId newId = IdOf(args[1]);
        KeyId oldId = IdOf(old->key);
        if (newId != oldId) {
            if (index_.contains(newId)) {
                throw ScriptException(kKeyExists);
            }
            index_.erase(oldId);
            index_.emplace(std::move(newId), old);
        }
        old->key = std::move(args[1]); // the element keeps its place
        return {};
    }
    if (Is(name, "CompareMode")) {
        if (IsRead(kind)) {
            RequireArgs(args, 0, 0);
            return Variant::Long(textCompare_ ? 1 : 0);
        }
        RequireArgs(args, 1, 1);
        const std::int32_t mode = ValueOf(args[0]).ToLong();
        if (mode < 0 || mode > 1 || !entries_.empty()) {
            throw ScriptException(err::kInvalidCall);
        }
        textCompare_ = mode == 1;
        return {};
    }
    if (!IsRead(kind)) {
        throw ScriptException(err::kNoSuchMember);
    }
    if (Is(name, "Add")) {
        RequireArgs(args, 2, 2);
        if (Find(args[0]) != entries_.end()) {
            throw ScriptException(kKeyExists);
        }
        Insert(args[0], std::move(args[1]));
        return {};
    }
    if (Is(name, "Exists")) {
        RequireArgs(args, 1, 1);
        return Variant::Boolean(Find(args[0]) != entries_.end());
    }
    if (Is(name, "Count")) {
        RequireArgs(args, 0, 0);
        return Variant::Long(static_cast<std::int32_t>(entries_.size()));
    }
    if (Is(name, "Keys") || Is(name, "Items")) {
        RequireArgs(args, 0, 0);
        const bool keys = Is(name, "Keys");
        std::vector<Variant> values;
        values.reserve(entries_.size());
        for (const Entry& e : entries_) {
            values.push_back(keys ? e.key : e.item);
        }
        return MakeArray(std::move(values));
    }
    if (Is(name, "Remove")) {
        RequireArgs(args, 1, 1);
        auto it = index_.find(IdOf(args[0]));
        if (it == index_.end()) {
            throw ScriptException(kElementNotFound);
        }
        entries_.erase(it->second);
        index_.erase(it);
        return {};
    }
    if (Is(name, "RemoveAll")) {
        RequireArgs(args, 0, 0);
        index_.clear();
        Entries gone;
        gone.swap(entries_); // items may hold objects whose ending looks at us
        return {};
    }
    throw ScriptException(err::kNoSuchMember);
}

bool Dictionary::Enumerate(std::vector<Variant>& items) {
    items.clear();
    items.reserve(entries_.size());
    for (const Entry& e : entries_) {
        items.push_back(e.key);
    }
    return true;
}

void RegisterDictionaryClass() {
    RegisterBuiltinClass("Scripting.Dictionary", [] { return std::make_shared<Dictionary>(); });
}

} // namespace ob::vbscript::objects
