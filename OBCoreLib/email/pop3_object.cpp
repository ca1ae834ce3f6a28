#include "OBCoreLib/email/pop3_object.h"

#include "OBCoreLib/email/email_classes.h"

#include "mail/address.h"
#include "mail/channel_options.h"
#include "mail/mail_engine.h"
#include "platform/diagnostics/assert.h"

#include <climits>
#include <filesystem>
#include <system_error>
#include <vector>

namespace ob::corelib {
namespace {

using mail::MailEngine;
using vbscript::Variant;

// What GetEmailHeader answers at the most, with room for the terminator.
constexpr std::size_t kHeaderBuffer = 4096;
// PeekMessageBody reads the header and the body lines into buffers this large, so
// that a long header does not hide the lines asked for.
constexpr std::size_t kPeekBuffer = 65536;

constexpr std::int32_t kNoSuchMessage = mail::Value(mail::Code::NoSuchMessage);

Pop3Object& Self(AutomationObject& object) {
    return static_cast<Pop3Object&>(object);
}

// The engine numbers messages with an int; a larger number names no message.
bool MessageInRange(std::uint32_t message) {
    return message <= static_cast<std::uint32_t>(INT_MAX);
}

// A folder name as the engine joins it: blanks around it and trailing slashes go
// (the root stays "/"). The folder is made, parents included, when missing; a folder
// that cannot be made shows in the fetch's own result.
std::string PrepareFolder(std::string_view folder) {
    std::string path(mail::Trim(folder));
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    if (!path.empty()) {
        std::error_code ignored;
        std::filesystem::create_directories(path, ignored);
    }
    return path;
}

HResult PutText(Variant& out, bool ok, std::string text) {
    out = Variant::String(ok ? std::move(text) : std::string());
    return ok ? HResult::Ok : HResult::False;
}

std::vector<MemberInfo> MakeMembers() {
    using S = Pop3Settings;
    std::vector<MemberInfo> members;
    AddProperty<Pop3Object, &S::server>(members, "Server", 1, "property Server");
    AddProperty<Pop3Object, &S::userName>(members, "UserName", 2, "property UserName");
    AddProperty<Pop3Object, &S::password>(members, "Password", 3, "property Password");
    members.push_back(mail_member::GetLastError(4));
    members.push_back(mail_member::ClearLastError(5));
    members.push_back({"Connect",
                       6,
                       MemberKind::Method,
                       {},
                       ResultType::I4,
                       "method Connect",
                       [](AutomationObject& self, const CallArgs&, Variant& out) {
                           return PutCode(out, Self(self).Connect());
                       }});
    members.push_back(mail_member::GetErrorString(7));
    members.push_back({"MessageCount",
                       8,
                       MemberKind::Method,
                       {},
                       ResultType::I4,
                       "method MessageCount",
                       [](AutomationObject& self, const CallArgs&, Variant& out) {
                           return PutCode(out, Self(self).MessageCount());
                       }});
    members.push_back({"GetEmailFile",
                       9,
                       MemberKind::Method,
                       {{"message_number", ParamType::UI4},
                        WholeTextParam("message_name"),
                        WholeTextParam("email_directory"),
                        WholeTextParam("attachment_directory")},
                       ResultType::I4,
                       "method GetEmailFile",
                       [](AutomationObject& self, const CallArgs& args, Variant& out) {
                           return PutCode(out, Self(self).GetEmailFile(args.UI4(0), args.Text(1),
                                                                       args.Text(2), args.Text(3)));
                       }});
    members.push_back({"GetEmailHeader",
                       10,
                       MemberKind::Method,
                       {{"message_number", ParamType::UI4}},
                       ResultType::Text,
                       "method GetEmailHeader",
                       [](AutomationObject& self, const CallArgs& args, Variant& out) {
                           std::string header;
                           const bool ok = Self(self).GetEmailHeader(args.UI4(0), header);
                           return PutText(out, ok, std::move(header));
                       }});
    members.push_back({"PeekMessageBody",
                       11,
                       MemberKind::Method,
                       {{"message_number", ParamType::UI4}, {"num_lines", ParamType::I2}},
                       ResultType::Text,
                       "method PeekMessageBody",
                       [](AutomationObject& self, const CallArgs& args, Variant& out) {
                           std::string body;
                           const bool ok =
                               Self(self).PeekMessageBody(args.UI4(0), args.I2(1), body);
                           return PutText(out, ok, std::move(body));
                       }});
    members.push_back(mail_member::InitLogFile(12));
    members.push_back(mail_member::LogFileWrite(13));
    members.push_back({"DeleteEmail",
                       14,
                       MemberKind::Method,
                       {{"message_number", ParamType::I4}},
                       ResultType::I4,
                       "method DeleteEmail",
                       [](AutomationObject& self, const CallArgs& args, Variant& out) {
                           return PutCode(out, Self(self).DeleteEmail(args.I4(0)));
                       }});
    AddProperty<Pop3Object, &S::prefix>(members, "Prefix", 15, "property Prefix");
    AddProperty<Pop3Object, &S::apop>(members, "APop", 16, "property APop");
    for (MemberInfo& member : mail_member::Extension()) {
        members.push_back(std::move(member));
    }
    return members;
}

} // namespace

Pop3Object::Pop3Object() : MailChannelObject("Ipop3", Pop3Members()) {}

std::int32_t Pop3Object::Connect() {
    MailEngine& engine = MailEngine::Process();
    (void)engine.SetInteger(Channel(), mail::option::kAttachmentPrefix, settings_.prefix != 0);
    (void)engine.SetInteger(Channel(), mail::option::kSaveAttachments, 1);
    (void)engine.SetInteger(Channel(), mail::option::kApop, settings_.apop != 0);
    return Record(
        engine.Pop3Connect(Channel(), settings_.server, settings_.userName, settings_.password));
}

std::int32_t Pop3Object::EnsureConnected() {
    const std::int32_t connected =
        MailEngine::Process().Status(Channel(), static_cast<int>(mail::StatusQuery::Connected));
    if (connected < 0) {
        return Record(connected);
    }
    return connected == 1 ? 0 : Connect();
}

std::int32_t Pop3Object::MessageCount() {
    const std::int32_t connected = EnsureConnected();
    return connected < 0 ? connected : Record(MailEngine::Process().EmailCount(Channel()));
}

std::int32_t Pop3Object::GetEmailFile(std::uint32_t message, const std::string& name,
                                      const std::string& directory,
                                      const std::string& attachmentDirectory) {
    if (const std::int32_t connected = EnsureConnected(); connected < 0) {
        return connected;
    }
    if (!MessageInRange(message)) {
        return Record(kNoSuchMessage);
    }
    MailEngine& engine = MailEngine::Process();
    // Prefix counts from the fetch on, also when it changed after the connection.
    (void)engine.SetInteger(Channel(), mail::option::kAttachmentPrefix, settings_.prefix != 0);
    const std::string folder = PrepareFolder(directory);
    const std::string attachments = PrepareFolder(attachmentDirectory);
    return Record(
        engine.EmailFile(Channel(), static_cast<int>(message), name, folder, attachments));
}

std::int32_t Pop3Object::Lines(std::uint32_t message, int lines, std::size_t size,
                               std::string& text) {
    if (const std::int32_t connected = EnsureConnected(); connected < 0) {
        return connected;
    }
    if (!MessageInRange(message)) {
        return Record(kNoSuchMessage);
    }
    text.assign(size, '\0');
    const std::int32_t length = Record(MailEngine::Process().EmailLines(
        Channel(), static_cast<int>(message), lines, text.data(), text.size()));
    OB_ASSERT(length < 0 || static_cast<std::size_t>(length) < size);
    text.resize(length < 0 ? 0 : static_cast<std::size_t>(length));
    return length;
}

bool Pop3Object::GetEmailHeader(std::uint32_t message, std::string& header) {
    return Lines(message, 0, kHeaderBuffer, header) >= 0;
}

bool Pop3Object::PeekMessageBody(std::uint32_t message, std::int16_t lines, std::string& body) {
    std::string header;
    if (Lines(message, 0, kPeekBuffer, header) < 0 ||
        Lines(message, lines, kPeekBuffer, body) < 0) {
        return false;
    }
    body.erase(0, std::min(header.size(), body.size()));
    return true;
}

std::int32_t Pop3Object::DeleteEmail(std::int32_t message) {
    const std::int32_t connected = EnsureConnected();
    return connected < 0 ? connected
                         : Record(MailEngine::Process().DeleteEmail(Channel(), message));
}

std::span<const MemberInfo> Pop3Members() {
    static const std::vector<MemberInfo> members = MakeMembers();
    return members;
}

std::shared_ptr<vbscript::Object> MakePop3() {
    return std::make_shared<Pop3Object>();
}

} // namespace ob::corelib
