#include "OBCoreLib/email/smtp_object.h"

#include "OBCoreLib/email/email_classes.h"

#include "mail/address.h"
#include "mail/channel_options.h"
#include "mail/mail_engine.h"

namespace ob::corelib {
namespace {

using mail::MailEngine;
using vbscript::Variant;

SmtpObject& Self(AutomationObject& object) {
    return static_cast<SmtpObject&>(object);
}

// Appends an entry to a ";"-joined list.
void Append(std::string& list, std::string_view entry) {
    if (!list.empty()) {
        list += ';';
    }
    list.append(entry);
}

// A bare address in angle brackets, as the engine's lists want it.
std::string Bracketed(std::string_view address) {
    address = mail::Trim(address);
    if (address.find('<') != std::string_view::npos) {
        return std::string(address);
    }
    return "<" + std::string(address) + ">";
}

std::vector<MemberInfo> MakeMembers() {
    using S = SmtpSettings;
    std::vector<MemberInfo> members;
    AddProperty<SmtpObject, &S::fromAddress>(members, "FromAddress", 1, "property FromAddress");
    AddProperty<SmtpObject, &S::server>(members, "Server", 2, "property Server");
    AddProperty<SmtpObject, &S::subject>(members, "Subject", 3, "property Subject");
    AddProperty<SmtpObject, &S::body>(members, "Body", 4, "property Body");
    members.push_back({"AddRecipient",
                       5,
                       MemberKind::Method,
                       {WholeTextParam("friendly_name"),
                        WholeTextParam("email_address"),
                        {"type", ParamType::I2}},
                       ResultType::None,
                       "method AddRecipient",
                       [](AutomationObject& self, const CallArgs& args, Variant&) {
                           Self(self).AddRecipient(args.Text(0), args.Text(1), args.I2(2));
                           return HResult::Ok;
                       }});
    members.push_back({"Send",
                       6,
                       MemberKind::Method,
                       {},
                       ResultType::I4,
                       "method Send",
                       [](AutomationObject& self, const CallArgs&, Variant& out) {
                           return PutCode(out, Self(self).Send());
                       }});
    AddProperty<SmtpObject, &S::userName>(members, "UserName", 7, "property UserName");
    AddProperty<SmtpObject, &S::password>(members, "Password", 8, "property Password");
    members.push_back(mail_member::GetErrorString(9));
    members.push_back(mail_member::GetLastError(10));
    members.push_back(mail_member::ClearLastError(11));
    members.push_back({"AddAttachment",
                       12,
                       MemberKind::Method,
                       {WholeTextParam("filename")},
                       ResultType::None,
                       "method AddAttachment",
                       [](AutomationObject& self, const CallArgs& args, Variant&) {
                           Self(self).AddAttachment(args.Text(0));
                           return HResult::Ok;
                       }});
    members.push_back(mail_member::InitLogFile(13));
    members.push_back(mail_member::LogFileWrite(14));
    for (MemberInfo& member : mail_member::Extension()) {
        members.push_back(std::move(member));
    }
    return members;
}

} // namespace

SmtpObject::SmtpObject() : MailChannelObject("Ismtp", SmtpMembers()) {}

void SmtpObject::AddRecipient(std::string_view friendlyName, std::string_view address,
                              std::int16_t type) {
    std::string* list = nullptr;
    switch (static_cast<RecipientType>(type)) {
    case RecipientType::To:
        list = &settings_.to;
        break;
    case RecipientType::Cc:
        list = &settings_.cc;
        break;
    case RecipientType::Bcc:
        list = &settings_.bcc;
        break;
    default:
        return;
    }
    Append(*list, std::string(mail::Trim(friendlyName)) + Bracketed(address));
}

void SmtpObject::AddAttachment(std::string_view fileName) {
    Append(settings_.attachments, mail::Trim(fileName));
}

std::int32_t SmtpObject::Send() {
    ClearLastError();
    MailEngine& engine = MailEngine::Process();
    if (!settings_.userName.empty()) {
        (void)engine.SetText(Channel(), mail::option::kAuthUser, settings_.userName);
        (void)engine.SetText(Channel(), mail::option::kAuthSecret, settings_.password);
        (void)engine.SetInteger(Channel(), mail::option::kExtendedSmtp, 1);
    }
    // An empty sender stays empty, so that the engine reports the missing address.
    const std::string_view from = mail::Trim(settings_.fromAddress);
    const std::string sender = from.empty() ? std::string() : Bracketed(from);
    std::int32_t code = engine.SmtpConnect(Channel(), settings_.server, sender, sender);
    if (code >= 0) {
        code = engine.SendEmail(Channel(), settings_.to, settings_.cc, settings_.bcc,
                                settings_.subject, settings_.body, settings_.attachments);
    }
    return Record(code < 0 ? code : 0);
}

std::span<const MemberInfo> SmtpMembers() {
    static const std::vector<MemberInfo> members = MakeMembers();
    return members;
}

std::shared_ptr<vbscript::Object> MakeSmtp() {
    return std::make_shared<SmtpObject>();
}

} // namespace ob::corelib
