#include "vbscript/err_object.h"

#include "vbscript/member_checks.h"

#include "platform/text/ascii_case.h"

namespace ob::vbscript {

namespace {

constexpr const char* kRuntimeSource = "VBScript runtime error";

} // namespace

void ErrObject::Set(const ScriptException& e) {
    number_ = e.number;
    description_ = e.description;
    source_ = e.source.empty() ? kRuntimeSource : e.source;
}

void ErrObject::Clear() {
    number_ = 0;
    description_.clear();
    source_.clear();
}

Variant ErrObject::Invoke(std::string_view name, InvokeKind kind, std::vector<Variant>& args) {
    const bool put = kind == InvokeKind::PropertyPut;
    if (name.empty() || Is(name, "number")) {
        if (put && args.size() == 1) {
            number_ = args[0].ToLong();
            return {};
        }
        if (!args.empty()) {
            throw ScriptException(err::kWrongArguments);
        }
        return Variant::Long(static_cast<std::int32_t>(number_));
    }
    if (Is(name, "description") || Is(name, "source")) {
        std::string& field = Is(name, "source") ? source_ : description_;
        if (put && args.size() == 1) {
            field = args[0].ToString();
            return {};
        }
        if (!args.empty()) {
            throw ScriptException(err::kWrongArguments);
        }
        return Variant::String(field);
    }
    if (Is(name, "helpfile") || Is(name, "helpcontext")) {
        return put ? Variant() : Variant::String("");
    }
    if (put) {
        throw ScriptException(err::kNoSuchMember);
    }
    if (Is(name, "clear")) {
        if (!args.empty()) {
            throw ScriptException(err::kWrongArguments);
        }
        Clear();
        return {};
    }
    if (Is(name, "raise")) {
        if (args.empty() || args.size() > 5) {
            throw ScriptException(err::kWrongArguments);
        }
        const long number = args[0].ToLong();
        if (number == 0) {
            throw ScriptException(err::kInvalidCall);
        }
        ScriptException e(number);
        e.source = kRuntimeSource;
        if (args.size() > 1 && !args[1].IsEmpty()) {
            e.source = args[1].ToString();
        }
        if (args.size() > 2 && !args[2].IsEmpty()) {
            e.description = args[2].ToString();
        }
        throw e;
    }
    throw ScriptException(err::kNoSuchMember);
}

} // namespace ob::vbscript
