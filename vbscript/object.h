// Objects a script can hold: the dispatch interface of built-in objects (Err)
// and host objects (WScript). Script classes implement it too.
//
// Members are called by name (compared without regard to case); an empty name is
// the default member. Errors are thrown as ScriptException (438 for an unknown
// member, 450 for wrong arguments). Used from the interpreter's thread only.
#pragma once

#include "vbscript/variant.h"
#include "vbscript/vbscript_export.h"

#include <string>
#include <string_view>
#include <vector>

namespace ob::vbscript {

enum class InvokeKind { Method, PropertyGet, PropertyPut, PropertyPutRef };

class OB_VBSCRIPT_API Object {
public:
    virtual ~Object() = default;
    /// TypeName() of the object.
    virtual std::string TypeName() const = 0;
    /// Calls a method or reads a property (Method / PropertyGet: callers use Method
    /// when the syntax cannot tell) or assigns one (PropertyPut: the value is the
    /// last argument).
    virtual Variant Invoke(std::string_view name, InvokeKind kind, std::vector<Variant>& args) = 0;
    /// For Each: the items of a collection; false when the object is not one.
    virtual bool Enumerate(std::vector<Variant>& items) {
        (void)items;
        return false;
    }
};

} // namespace ob::vbscript
