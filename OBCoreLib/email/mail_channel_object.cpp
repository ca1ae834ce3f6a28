#include "OBCoreLib/email/mail_channel_object.h"

#include "mail/address.h"
#include "mail/channel_options.h"
#include "mail/mail_engine.h"

#include "platform/text/ascii_case.h"

#include <cmath>

namespace ob::corelib {
namespace {

using mail::MailEngine;
using vbscript::Variant;

MailChannelObject& Self(AutomationObject& object) {
    return static_cast<MailChannelObject&>(object);
}

// The engine's Invalid argument, the answer to an option number it does not know.
constexpr std::int32_t kInvalidArgument = mail::Value(mail::FromWsa(10022));

int ClaimChannel() {
    MailEngine& engine = MailEngine::Process();
    if (!engine.Attached()) {
        // Another object may attach first; its -72 then changes nothing.
        (void)engine.Attach(MailEngine::kMaxChannels);
    }
    return engine.ClaimChannel();
}

// An integer option's value as a script writes it: a whole number, or True / False.
bool OptionNumber(const std::string& text, std::int64_t& value) {
    if (text::EqualsIgnoringCase(text, "True") || text::EqualsIgnoringCase(text, "False")) {
        value = text::EqualsIgnoringCase(text, "True") ? -1 : 0;
        return true;
    }
    double number = 0;
    if (!Variant::ParseNumber(text, number) || std::trunc(number) != number ||
        std::fabs(number) > 9007199254740992.0) {
        return false;
    }
    value = static_cast<std::int64_t>(number);
    return true;
}

// The option's value: a Long for an integer option, a String for a text option;
// Empty with S_FALSE for a number the engine does not know.
HResult GetEngineOption(MailChannelObject& self, int number, Variant& out) {
    MailEngine& engine = MailEngine::Process();
    out = Variant();
    std::int64_t value = 0;
    std::int32_t code = engine.GetInteger(self.Channel(), number, value);
    if (code == 0) {
        out = Variant::Long(static_cast<std::int32_t>(value)); // every integer option fits
        return HResult::Ok;
    }
    std::string text;
    if (code == kInvalidArgument) {
        code = engine.GetText(self.Channel(), number, text);
    }
    if (self.Record(code) < 0) {
        return HResult::False;
    }
    out = Variant::String(std::move(text));
    return HResult::Ok;
}

HResult PutEngineOption(MailChannelObject& self, int number, const std::string& text) {
    MailEngine& engine = MailEngine::Process();
    std::int64_t current = 0;
    std::int32_t code = engine.GetInteger(self.Channel(), number, current);
    if (code == 0) {
        std::int64_t value = 0;
        code = OptionNumber(text, value) ? engine.SetInteger(self.Channel(), number, value)
                                         : kInvalidArgument;
    } else if (code == kInvalidArgument) {
        code = engine.SetText(self.Channel(), number, text);
    }
    return self.Record(code) < 0 ? HResult::False : HResult::Ok;
}

} // namespace

MailChannelObject::MailChannelObject(std::string typeName, std::span<const MemberInfo> members)
    : AutomationObject(std::move(typeName), members), channel_(ClaimChannel()) {}

MailChannelObject::~MailChannelObject() {
    if (channel_ >= 0) {
        MailEngine::Process().ReleaseChannel(channel_);
    }
}

std::int32_t MailChannelObject::Record(std::int32_t code) {
    if (code < 0) {
        lastError_ = code;
    }
    return code;
}

std::string MailChannelObject::ErrorString(std::int32_t code) const {
    const std::int32_t which = code != 0 ? code : lastError_;
    return std::string(mail::Trim(MailEngine::Process().ErrorText(channel_, which)));
}

HResult PutCode(Variant& out, std::int32_t code) {
    out = Variant::Long(code);
    return code < 0 ? HResult::False : HResult::Ok;
}

namespace mail_member {

MemberInfo GetLastError(std::int32_t dispid) {
    return {"GetLastError",
            dispid,
            MemberKind::Method,
            {},
            ResultType::I4,
            "method GetLastError",
            [](AutomationObject& self, const CallArgs&, Variant& out) {
                out = Variant::Long(Self(self).LastError());
                return HResult::Ok;
            }};
}

MemberInfo ClearLastError(std::int32_t dispid) {
    return {"ClearLastError",
            dispid,
            MemberKind::Method,
            {},
            ResultType::None,
            "method ClearLastError",
            [](AutomationObject& self, const CallArgs&, Variant&) {
                Self(self).ClearLastError();
                return HResult::Ok;
            }};
}

MemberInfo GetErrorString(std::int32_t dispid) {
    return {"GetErrorString",
            dispid,
            MemberKind::Method,
            {{"error", ParamType::I4}},
            ResultType::Text,
            "method GetErrorString",
            [](AutomationObject& self, const CallArgs& args, Variant& out) {
                out = Variant::String(Self(self).ErrorString(args.I4(0)));
                return HResult::Ok;
            }};
}

MemberInfo InitLogFile(std::int32_t dispid) {
    return {"InitLogFile",
            dispid,
            MemberKind::Method,
            {WholeTextParam("logfile_name")},
            ResultType::None,
            "method InitLogFile",
            [](AutomationObject& self, const CallArgs& args, Variant&) {
                MailChannelObject& object = Self(self);
                const std::int32_t code = MailEngine::Process().SetText(
                    object.Channel(), mail::option::kLogFile, args.Text(0));
                return object.Record(code) < 0 ? HResult::False : HResult::Ok;
            }};
}

MemberInfo LogFileWrite(std::int32_t dispid) {
    return {"LogFileWrite",
            dispid,
            MemberKind::Method,
            {WholeTextParam("string")},
            ResultType::None,
            "method LogFileWrite",
            [](AutomationObject& self, const CallArgs& args, Variant&) {
                MailChannelObject& object = Self(self);
                const std::int32_t code = MailEngine::Process().SetText(
                    object.Channel(), mail::option::kLogWrite, args.Text(0));
                return object.Record(code) < 0 ? HResult::False : HResult::Ok;
            }};
}

std::vector<MemberInfo> Extension() {
    constexpr std::string_view kEncryptionHelp =
        "property Encryption: 0 none, 1 STARTTLS/STLS, 2 TLS from the first byte";
    constexpr std::string_view kOptionHelp = "property EngineOption: an engine option by number";
    return {
        {"Encryption",
         kEncryptionDispId,
         MemberKind::PropertyGet,
         {},
         ResultType::I4,
         kEncryptionHelp,
         [](AutomationObject& self, const CallArgs&, Variant& out) {
             const HResult status = GetEngineOption(Self(self), mail::option::kTlsMode, out);
             if (status != HResult::Ok) {
                 out = Variant::Long(0);
             }
             return status;
         }},
        {"Encryption",
         kEncryptionDispId,
         MemberKind::PropertyPut,
         {{"newVal", ParamType::I4}},
         ResultType::None,
         kEncryptionHelp,
         [](AutomationObject& self, const CallArgs& args, Variant&) {
             return PutEngineOption(Self(self), mail::option::kTlsMode, std::to_string(args.I4(0)));
         }},
        {"EngineOption",
         kEngineOptionDispId,
         MemberKind::PropertyGet,
         {{"number", ParamType::I4}},
         ResultType::Variant,
         kOptionHelp,
         [](AutomationObject& self, const CallArgs& args, Variant& out) {
             return GetEngineOption(Self(self), args.I4(0), out);
         }},
        {"EngineOption",
         kEngineOptionDispId,
         MemberKind::PropertyPut,
         {{"number", ParamType::I4}, WholeTextParam("newVal")},
         ResultType::None,
         kOptionHelp,
         [](AutomationObject& self, const CallArgs& args, Variant&) {
             return PutEngineOption(Self(self), args.I4(0), args.Text(1));
         }},
    };
}

} // namespace mail_member
} // namespace ob::corelib
