// Scripting.Dictionary: items stored under unique keys, kept in insertion order
// with constant-time lookup.
//
// Keys compare as the language's dictionary compares them: numbers of any numeric
// type by value (1, 1.0 and CByte(1) are one key; "1" is another), texts by their
// bytes or, with CompareMode = vbTextCompare, without regard to (ASCII) case,
// objects by identity; Empty, Null and Booleans are keys of their own kinds.
// Arrays cannot be keys (13). Reading Item of a missing key adds it with Empty.
// For Each gives the keys. Interpreter's thread only.
#pragma once

#include "vbscript/object.h"

#include <list>
#include <memory>
#include <string>
#include <unordered_map>

namespace ob::vbscript::objects {

class Dictionary final : public Object {
public:
    std::string TypeName() const override { return "Dictionary"; }
    Variant Invoke(std::string_view name, InvokeKind kind, std::vector<Variant>& args) override;
    bool Enumerate(std::vector<Variant>& items) override;

    /// How a key is looked up: its kind and its normalised value.
    struct KeyId {
        int kind = 0;
        double number = 0;
        std::string text;
        const Object* object = nullptr;
        bool operator==(const KeyId&) const = default;
    };
    struct KeyIdHash {
        std::size_t operator()(const KeyId& id) const;
    };

private:
    struct Entry {
        Variant key;
        Variant item;
    };
    using Entries = std::list<Entry>;

    KeyId IdOf(const Variant& key) const;
    Entries::iterator Find(const Variant& key);
    Entries::iterator Insert(const Variant& key, Variant item);
    Variant& ItemFor(const Variant& key); // adds the key when missing

    Entries entries_;
    std::unordered_map<KeyId, Entries::iterator, KeyIdHash> index_;
    bool textCompare_ = false;
};

/// Makes "Scripting.Dictionary" creatable.
void RegisterDictionaryClass();

} // namespace ob::vbscript::objects
