// What the smtp and pop3 objects share: each owns one channel of the process's
// e-mail engine (mail/mail_engine.h) for its lifetime, claimed when the object is
// made (the engine is attached with its 128 channels by the first object) and
// closed and freed when the object is released, and keeps the engine's last
// failure code. The members both interfaces have are built here (their dispatch ids
// differ between the interfaces): GetLastError, ClearLastError, GetErrorString,
// InitLogFile, LogFileWrite, and this library's extension of both interfaces,
// the properties Encryption (option 40) and EngineOption(number), which reach the
// engine's options by number.
//
// Results follow one rule: a member whose engine call fails returns S_FALSE with
// the negative code (or the empty text) and keeps the code as the last error; a
// success returns S_OK. Apartment threaded, as every object of the library.
#pragma once

#include "OBCoreLib/automation/automation_object.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

namespace ob::corelib {

/// Dispatch ids of the extension members, the same on both interfaces and clear of
/// the interfaces' own ids.
inline constexpr std::int32_t kEncryptionDispId = 101;
inline constexpr std::int32_t kEngineOptionDispId = 102;

class MailChannelObject : public AutomationObject {
public:
    MailChannelObject(std::string typeName, std::span<const MemberInfo> members);
    ~MailChannelObject() override;
    MailChannelObject(const MailChannelObject&) = delete;
    MailChannelObject& operator=(const MailChannelObject&) = delete;

    /// The engine channel, or the negative code that claiming it gave (-73 when all
    /// channels are taken); every engine call on such a number fails with it.
    int Channel() const { return channel_; }

    std::int32_t LastError() const { return lastError_; }
    void ClearLastError() { lastError_ = 0; }
    /// Keeps `code` as the last error when it is a failure; gives it back.
    std::int32_t Record(std::int32_t code);

    /// The engine's text of `code`, or of the last error when `code` is 0, trimmed
    /// (the channel's last file name stands in the texts of -35 and -67).
    std::string ErrorString(std::int32_t code) const;

private:
    int channel_ = -1;
    std::int32_t lastError_ = 0;
};

/// A member's result for an engine code: the code as I4, S_FALSE when negative.
HResult PutCode(vbscript::Variant& out, std::int32_t code);

/// Member entries both interfaces have, at the dispatch id each interface gives.
namespace mail_member {
MemberInfo GetLastError(std::int32_t dispid);
MemberInfo ClearLastError(std::int32_t dispid);
MemberInfo GetErrorString(std::int32_t dispid);
MemberInfo InitLogFile(std::int32_t dispid);
MemberInfo LogFileWrite(std::int32_t dispid);
/// Encryption get and put, EngineOption get and put.
std::vector<MemberInfo> Extension();
} // namespace mail_member

/// A text parameter handed on whole (the e-mail objects keep no buffers of their own).
constexpr ParamInfo WholeTextParam(std::string_view name) {
    return {name, ParamType::Text, TextUse::Plain, kWholeText};
}

/// Get and put entries of a property kept in `Field`, a member of the object's
/// `Settings()`: texts (BSTR) or 32-bit integers (BOOL properties keep what the script
/// stored; their truth is "not 0").
template <typename Owner, auto Field>
void AddProperty(std::vector<MemberInfo>& members, std::string_view name, std::int32_t dispid,
                 std::string_view help) {
    using Value = std::remove_cvref_t<decltype(std::declval<Owner&>().Settings().*Field)>;
    constexpr bool kText = std::is_same_v<Value, std::string>;
    members.push_back({name,
                       dispid,
                       MemberKind::PropertyGet,
                       {},
                       kText ? ResultType::Text : ResultType::I4,
                       help,
                       [](AutomationObject& self, const CallArgs&, vbscript::Variant& out) {
                           const Value& value = static_cast<Owner&>(self).Settings().*Field;
                           if constexpr (kText) {
                               out = vbscript::Variant::String(value);
                           } else {
                               out = vbscript::Variant::Long(value);
                           }
                           return HResult::Ok;
                       }});
    members.push_back({name,
                       dispid,
                       MemberKind::PropertyPut,
                       {kText ? WholeTextParam("newVal") : ParamInfo{"newVal", ParamType::I4}},
                       ResultType::None,
                       help,
                       [](AutomationObject& self, const CallArgs& args, vbscript::Variant&) {
                           Value& value = static_cast<Owner&>(self).Settings().*Field;
                           if constexpr (kText) {
                               value = args.Text(0);
                           } else {
                               value = args.I4(0);
                           }
                           return HResult::Ok;
                       }});
}

} // namespace ob::corelib
