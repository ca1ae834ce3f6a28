// The base of every class of the automation library: a table of members (name,
// dispatch id, parameter types, result type, help string, handler) drives the
// script's calls, so each class only lists its members and writes their bodies.
//
// A call is served in three steps:
//  1. Dispatch: the member is found by name (without regard to case) and kind, the
//     argument count is checked (450 "Wrong number of arguments" otherwise) and
//     each value is converted to its parameter's type as an automation dispatcher
//     converts it: 13 Type mismatch for a value that is no number (Null included),
//     6 Overflow for a number outside the type.
//  2. Texts: every text is copied as the C buffer of its parameter would hold it:
//     it ends at its first NUL byte and may hold `limit` bytes (1023 for the usual
//     1024-byte buffer). A text that does not fit is "unconvertible". An
//     unconvertible text, or an empty text for a parameter marked Required, makes
//     the call return S_FALSE with the zero value of the result (0 or ""), without
//     running the member. An empty Optional text reaches the member as absent.
//  3. The member's handler runs; it never throws and returns its status and value.
//
// Invoke (what the interpreter calls) raises the dispatch errors of step 1 and the
// failure codes (E_OUTOFMEMORY as 7 "Out of memory", any other failure with its
// number) as ScriptException; S_OK and S_FALSE both return the value. Call does the
// same but hands the status back, for hosts and tests that judge S_FALSE.
//
// Objects are apartment threaded: each is used by the thread of the script that
// created it. Member tables are immutable and may be shared by every object of a
// class.
#pragma once

#include "OBCoreLib/automation/hresult.h"

#include "vbscript/object.h"
#include "vbscript/variant.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace ob::corelib {

/// Bytes a text argument may hold unless its parameter says otherwise (a 1024-byte
/// buffer less its terminator).
inline constexpr std::size_t kTextLimit = 1023;
/// For texts that are handed on whole (no buffer of their own).
inline constexpr std::size_t kWholeText = static_cast<std::size_t>(-1);

enum class ParamType {
    I2,      ///< 16-bit signed
    I4,      ///< 32-bit signed; BOOL parameters are I4 as well (truth: non-zero)
    UI4,     ///< 32-bit unsigned
    Text,    ///< BSTR, converted into a narrow text buffer
    Context, ///< a pointer-sized whole number (window and session values of Setup)
};

/// What an empty or unconvertible text means to the member.
enum class TextUse {
    Plain,    ///< handed on as it is, empty included
    Required, ///< empty: S_FALSE with the zero result, the member does not run
    Optional, ///< empty: handed on as absent
};

enum class ResultType { I4, Text, Variant, None };

enum class MemberKind { Method, PropertyGet, PropertyPut };

struct ParamInfo {
    std::string_view name;
    ParamType type = ParamType::I4;
    TextUse use = TextUse::Plain;
    std::size_t limit = kTextLimit;
};

/// The converted arguments of one call, in parameter order.
class CallArgs {
public:
    struct Value {
        std::int64_t number = 0;
        std::string text;
        bool present = true; ///< false for an empty Optional text
    };

    explicit CallArgs(std::vector<Value> values) : values_(std::move(values)) {}

    std::int32_t I4(std::size_t index) const {
        return static_cast<std::int32_t>(values_[index].number);
    }
    std::int16_t I2(std::size_t index) const {
        return static_cast<std::int16_t>(values_[index].number);
    }
    std::uint32_t UI4(std::size_t index) const {
        return static_cast<std::uint32_t>(values_[index].number);
    }
    std::int64_t Context(std::size_t index) const { return values_[index].number; }
    const std::string& Text(std::size_t index) const { return values_[index].text; }
    /// An Optional text that was given (not empty).
    bool Present(std::size_t index) const { return values_[index].present; }
    std::size_t Count() const { return values_.size(); }

private:
    std::vector<Value> values_;
};

class AutomationObject;

/// A member's body: fills `result` and returns its status; must not throw.
using MemberHandler = HResult (*)(AutomationObject& self, const CallArgs& args,
                                  vbscript::Variant& result);

struct MemberInfo {
    std::string_view name;
    std::int32_t dispid = 0;
    MemberKind kind = MemberKind::Method;
    std::vector<ParamInfo> params;
    ResultType result = ResultType::I4;
    std::string_view help; ///< the type library's help string
    MemberHandler handler = nullptr;
};

/// What the bodies of members with an I4 or text result hand back.
struct I4Result {
    HResult status = HResult::Ok;
    std::int32_t value = 0;
};
struct TextResult {
    HResult status = HResult::Ok;
    std::string value;
};

/// Truth values as automation integers: -1 true, 0 false.
constexpr std::int32_t Truth(bool value) {
    return value ? -1 : 0;
}

/// What Call hands back.
struct CallResult {
    HResult status = HResult::Ok;
    vbscript::Variant value;
};

class AutomationObject : public vbscript::Object {
public:
    /// `typeName` is what TypeName() of the object answers (its interface's name).
    AutomationObject(std::string typeName, std::span<const MemberInfo> members);

    std::string TypeName() const override { return typeName_; }
    vbscript::Variant Invoke(std::string_view name, vbscript::InvokeKind kind,
                             std::vector<vbscript::Variant>& args) override;

    /// Steps 1 to 3 above; throws ScriptException for the dispatch errors only.
    CallResult Call(std::string_view name, vbscript::InvokeKind kind,
                    const std::vector<vbscript::Variant>& args);
    CallResult Call(std::string_view name, const std::vector<vbscript::Variant>& args) {
        return Call(name, vbscript::InvokeKind::Method, args);
    }

    std::span<const MemberInfo> Members() const { return members_; }

    /// The zero value of a result type: Long 0, "" or Empty.
    static vbscript::Variant ZeroResult(ResultType type);

private:
    const MemberInfo* Find(std::string_view name, vbscript::InvokeKind kind) const;

    std::string typeName_;
    std::span<const MemberInfo> members_;
};

} // namespace ob::corelib
