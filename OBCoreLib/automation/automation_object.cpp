#include "OBCoreLib/automation/automation_object.h"

#include "vbscript/script_exception.h"

#include "platform/text/ascii_case.h"

#include <cmath>
#include <limits>
#include <new>

namespace ob::corelib {
namespace {

using vbscript::InvokeKind;
using vbscript::ScriptException;
using vbscript::Variant;

// Largest whole number a script value carries exactly (a Double's 53 bits).
constexpr double kLargestWhole = 9007199254740992.0;

bool KindMatches(MemberKind member, InvokeKind call) {
    if (call == InvokeKind::PropertyPut || call == InvokeKind::PropertyPutRef) {
        return member == MemberKind::PropertyPut;
    }
    return member == MemberKind::Method || member == MemberKind::PropertyGet;
}

// Null converts to no number and no text: the dispatcher's type mismatch, not the
// language's "Invalid use of Null".
void RefuseNull(const Variant& value) {
    if (value.IsNull()) {
        throw ScriptException(vbscript::err::kTypeMismatch);
    }
}

std::int64_t WholeNumber(const Variant& value, double least, double most) {
    RefuseNull(value);
    const double number = value.ToDouble();
    if (!std::isfinite(number) || std::trunc(number) != number) {
        throw ScriptException(vbscript::err::kTypeMismatch);
    }
    if (number < least || number > most) {
        throw ScriptException(vbscript::err::kOverflow);
    }
    return static_cast<std::int64_t>(number);
}

// A number rounded as the dispatcher rounds (half to even): 6 Overflow outside
// [least, most].
std::int64_t RoundedNumber(const Variant& value, double least, double most) {
    RefuseNull(value);
    const double rounded = std::nearbyint(value.ToDouble());
    if (!(rounded >= least && rounded <= most)) {
        throw ScriptException(vbscript::err::kOverflow);
    }
    return static_cast<std::int64_t>(rounded);
}

// Converts one argument; false when it is a text that cannot stand as its
// parameter asks (the call then returns S_FALSE without running the member).
bool Convert(const ParamInfo& param, const Variant& value, CallArgs::Value& out) {
    switch (param.type) {
    case ParamType::I2:
        RefuseNull(value);
        out.number = value.ToInteger();
        return true;
    case ParamType::I4:
        RefuseNull(value);
        out.number = value.ToLong();
        return true;
    case ParamType::UI4:
        out.number = RoundedNumber(value, 0.0, 4294967295.0);
        return true;
    case ParamType::Context:
        out.number = WholeNumber(value, -kLargestWhole, kLargestWhole);
        return true;
    case ParamType::Text:
        break;
    }
    RefuseNull(value);
    std::string text = value.IsEmpty() ? std::string() : value.ToString();
    if (const std::size_t nul = text.find('\0'); nul != std::string::npos) {
        text.resize(nul);
    }
    if (text.size() > param.limit) {
        return false;
    }
    if (text.empty()) {
        if (param.use == TextUse::Required) {
            return false;
        }
        out.present = param.use != TextUse::Optional;
    }
    out.text = std::move(text);
    return true;
}

[[noreturn]] void RaiseFailure(HResult status) {
    if (status == HResult::OutOfMemory) {
        throw ScriptException(vbscript::err::kOutOfMemory);
    }
    throw ScriptException(static_cast<long>(status), "Unspecified error");
}

} // namespace

AutomationObject::AutomationObject(std::string typeName, std::span<const MemberInfo> members)
    : typeName_(std::move(typeName)), members_(members) {}

Variant AutomationObject::ZeroResult(ResultType type) {
    switch (type) {
    case ResultType::I4:
        return Variant::Long(0);
    case ResultType::Text:
        return Variant::String({});
    case ResultType::Variant:
    case ResultType::None:
        break;
    }
    return {};
}

const MemberInfo* AutomationObject::Find(std::string_view name, InvokeKind kind) const {
    for (const MemberInfo& member : members_) {
        if (KindMatches(member.kind, kind) && text::EqualsIgnoringCase(member.name, name)) {
            return &member;
        }
    }
    return nullptr;
}

CallResult AutomationObject::Call(std::string_view name, InvokeKind kind,
                                  const std::vector<Variant>& args) {
    const MemberInfo* member = Find(name, kind);
    if (member == nullptr) {
        throw ScriptException(vbscript::err::kNoSuchMember);
    }
    if (args.size() != member->params.size()) {
        throw ScriptException(vbscript::err::kWrongArguments);
    }
    std::vector<CallArgs::Value> values(args.size());
    bool convertible = true;
    for (std::size_t i = 0; i < args.size(); ++i) {
        // Every argument is converted, so a type mismatch in a later one is raised
        // even when an earlier text already decided the outcome.
        convertible = Convert(member->params[i], args[i], values[i]) && convertible;
    }
    CallResult outcome;
    outcome.value = ZeroResult(member->result);
    if (!convertible) {
        outcome.status = HResult::False;
        return outcome;
    }
    try {
        outcome.status = member->handler(*this, CallArgs(std::move(values)), outcome.value);
    } catch (const std::bad_alloc&) {
        outcome.status = HResult::OutOfMemory;
    } catch (...) {
        outcome.status = HResult::Fail;
    }
    return outcome;
}

Variant AutomationObject::Invoke(std::string_view name, InvokeKind kind,
                                 std::vector<Variant>& args) {
    CallResult outcome = Call(name, kind, args);
    if (!Succeeded(outcome.status)) {
        RaiseFailure(outcome.status);
    }
    return std::move(outcome.value);
}

} // namespace ob::corelib
