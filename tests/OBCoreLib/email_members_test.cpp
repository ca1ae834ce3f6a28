// The e-mail objects from the inside: their member tables in the interfaces' slot
// order, the extension properties over the engine's options, the conversion of
// message numbers, and what objects get when every engine channel is taken.

#include "OBCoreLib/email/email_classes.h"
#include "OBCoreLib/email/pop3_object.h"
#include "OBCoreLib/email/smtp_object.h"

#include "vbscript/script_exception.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace ob::corelib {
namespace {

using vbscript::InvokeKind;
using vbscript::Variant;

// "Name dispid kind" of each entry: kind m (method), g (property get), p (put).
std::vector<std::string> Slots(std::span<const MemberInfo> members) {
    std::vector<std::string> slots;
    for (const MemberInfo& member : members) {
        const char kind = member.kind == MemberKind::Method        ? 'm'
                          : member.kind == MemberKind::PropertyGet ? 'g'
                                                                   : 'p';
        slots.push_back(std::string(member.name) + " " + std::to_string(member.dispid) + " " +
                        kind);
    }
    return slots;
}

TEST(EmailMembers, TablesKeepTheInterfacesSlotOrderAndDispatchIds) {
    const std::vector<std::string> extension = {"Encryption 101 g", "Encryption 101 p",
                                                "EngineOption 102 g", "EngineOption 102 p"};
    std::vector<std::string> smtp = {
        "FromAddress 1 g",     "FromAddress 1 p",    "Server 2 g",         "Server 2 p",
        "Subject 3 g",         "Subject 3 p",        "Body 4 g",           "Body 4 p",
        "AddRecipient 5 m",    "Send 6 m",           "UserName 7 g",       "UserName 7 p",
        "Password 8 g",        "Password 8 p",       "GetErrorString 9 m", "GetLastError 10 m",
        "ClearLastError 11 m", "AddAttachment 12 m", "InitLogFile 13 m",   "LogFileWrite 14 m"};
    std::vector<std::string> pop3 = {"Server 1 g",
                                     "Server 1 p",
                                     "UserName 2 g",
                                     "UserName 2 p",
                                     "Password 3 g",
                                     "Password 3 p",
                                     "GetLastError 4 m",
                                     "ClearLastError 5 m",
                                     "Connect 6 m",
                                     "GetErrorString 7 m",
                                     "MessageCount 8 m",
                                     "GetEmailFile 9 m",
                                     "GetEmailHeader 10 m",
                                     "PeekMessageBody 11 m",
                                     "InitLogFile 12 m",
                                     "LogFileWrite 13 m",
                                     "DeleteEmail 14 m",
                                     "Prefix 15 g",
                                     "Prefix 15 p",
                                     "APop 16 g",
                                     "APop 16 p"};
    smtp.insert(smtp.end(), extension.begin(), extension.end());
    pop3.insert(pop3.end(), extension.begin(), extension.end());
    EXPECT_EQ(Slots(SmtpMembers()), smtp);
    EXPECT_EQ(Slots(Pop3Members()), pop3);
    EXPECT_EQ(MakeEmailSystem()->TypeName(), "IEmailSystem");
    std::vector<Variant> none;
    EXPECT_THROW(MakeEmailSystem()->Invoke("Send", InvokeKind::Method, none),
                 vbscript::ScriptException);
}

TEST(EmailMembers, ExtensionPropertiesReadAndSetTheEnginesOptions) {
    SmtpObject smtp;
    const auto put = [&](const std::string& name, std::vector<Variant> args) {
        return smtp.Call(name, InvokeKind::PropertyPut, args).status;
    };
    const auto get = [&](const std::string& name, std::vector<Variant> args) {
        return smtp.Call(name, InvokeKind::PropertyGet, args);
    };
    EXPECT_EQ(get("EngineOption", {Variant::Long(21)}).value.ToLong(), 25);
    EXPECT_EQ(get("Encryption", {}).value.ToLong(), 0);
    const struct {
        int number;
        Variant value;
        HResult status;
        std::string readBack;
    } cases[] = {
        {21, Variant::Long(587), HResult::Ok, "587"},
        {21, Variant::String(" 2525 "), HResult::Ok, "2525"},
        {41, Variant::Boolean(false), HResult::Ok, "0"},
        {30, Variant::Double(250), HResult::Ok, "250"},
        {42, Variant::String("/etc/ca.pem"), HResult::Ok, "/etc/ca.pem"},
        {21, Variant::Long(0), HResult::False, "2525"},       // no port 0
        {21, Variant::String("abc"), HResult::False, "2525"}, // no number
        {30, Variant::Double(2.5), HResult::False, "250"},    // not whole
        {40, Variant::Long(3), HResult::False, "0"},          // no such mode
        {99, Variant::Long(1), HResult::False, ""},           // no such option
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.number) + " = " + c.value.ToString());
        smtp.ClearLastError();
        EXPECT_EQ(put("EngineOption", {Variant::Long(c.number), c.value}), c.status);
        EXPECT_EQ(smtp.LastError(), c.status == HResult::Ok ? 0 : -10022);
        const CallResult read = get("EngineOption", {Variant::Long(c.number)});
        EXPECT_EQ(read.value.ToString(), c.readBack);
        EXPECT_EQ(read.status, c.number == 99 ? HResult::False : HResult::Ok);
    }
    EXPECT_EQ(put("Encryption", {Variant::Long(2)}), HResult::Ok);
    EXPECT_EQ(get("EngineOption", {Variant::Long(40)}).value.ToLong(), 2);
    EXPECT_EQ(put("Encryption", {Variant::Long(-1)}), HResult::False);
    EXPECT_EQ(get("Encryption", {}).value.ToLong(), 2);
}

TEST(EmailMembers, MessageNumbersAreUnsignedAndRounded) {
    Pop3Object pop3; // no server: a call that gets past the conversion fails to connect
    const auto raised = [&](Variant number) -> long {
        std::vector<Variant> args{std::move(number)};
        try {
            pop3.Invoke("GetEmailHeader", InvokeKind::Method, args);
        } catch (const vbscript::ScriptException& e) {
            return e.number;
        }
        return 0;
    };
    EXPECT_EQ(raised(Variant::Long(-1)), 6);
    EXPECT_EQ(raised(Variant::Double(4294967296.0)), 6);
    EXPECT_EQ(raised(Variant::Null()), 13);
    EXPECT_EQ(raised(Variant::String("one")), 13);
    EXPECT_EQ(raised(Variant::Double(4294967295.0)), 0);
    EXPECT_EQ(pop3.LastError(), -50) << "the server name is missing";
}

TEST(EmailMembers, ObjectsBeyondTheEnginesChannelsFailUntilOneIsReleased) {
    std::vector<std::unique_ptr<Pop3Object>> objects;
    for (int i = 0; i < 128; ++i) {
        objects.push_back(std::make_unique<Pop3Object>());
        ASSERT_GE(objects.back()->Channel(), 0);
    }
    {
        SmtpObject extra;
        EXPECT_EQ(extra.Channel(), -73);
        EXPECT_EQ(extra.Send(), -73);
        EXPECT_EQ(extra.ErrorString(0), "Channel out of range.");
    }
    const int freed = objects[5]->Channel();
    objects[5].reset();
    SmtpObject next;
    EXPECT_EQ(next.Channel(), freed);
}

} // namespace
} // namespace ob::corelib
