// Address validation, lists, server names and the code texts.
#include "mail/address.h"
#include "mail/channel_options.h"
#include "mail/mail_code.h"

#include <gtest/gtest.h>

namespace {

using namespace ob::mail;

TEST(MailAddress, ValidationReportsEachFaultWithItsCode) {
    const struct {
        const char* entry;
        Code code;
    } cases[] = {
        {"Ann Lee<ann@example.org>", Code::Ok},
        {"  <ann.lee+jobs@mail.example.org>  ", Code::Ok},
        {"<root@[192.0.2.1]>", Code::Ok},
        {"", Code::EmptyAddress},
        {"   ", Code::EmptyAddress},
        {"ann.example.org", Code::MissingAt},
        {"ann@x <ann.example.org>", Code::MissingAt},
        {"<a@b@c>", Code::TooManyAt},
        {"ann@example.org", Code::MissingOpenBracket},
        {"<ann@example.org", Code::MissingCloseBracket},
        {"Ann> <ann@example.org>", Code::StrayCloseBracket},
        {"<ann@example.org>>", Code::StrayCloseBracket},
        {"<ann lee@example.org>", Code::BadAddressCharacter},
        {"<ann,lee@example.org>", Code::BadAddressCharacter},
        {"<ann@example.org\r\nBcc: x>", Code::BadAddressCharacter},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ValidateAddress(c.entry), c.code) << '"' << c.entry << '"';
    }
}

TEST(MailAddress, ListsSplitOnSemicolonsAndKeepTheBracketedPart) {
    const auto entries = SplitList(" A<a@x.org>; ;<b@y.org> ;");
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0], "A<a@x.org>");
    EXPECT_EQ(AngleAddress(entries[0]), "<a@x.org>");
    EXPECT_EQ(AngleAddress(entries[1]), "<b@y.org>");
    EXPECT_TRUE(SplitList("").empty());
}

TEST(MailAddress, ServerNamesAndHeloDomains) {
    EXPECT_EQ(ValidateServerName("mail.example.org"), Code::Ok);
    EXPECT_EQ(ValidateServerName("::1"), Code::Ok);
    EXPECT_EQ(ValidateServerName(""), Code::ServerNotSpecified);
    EXPECT_EQ(ValidateServerName("mail example"), Code::IllegalServerName);
    EXPECT_EQ(ValidateServerName("a;rm"), Code::IllegalServerName);
    EXPECT_EQ(HeloDomain("Ann<ann@example.org>"), "example.org");
    EXPECT_EQ(HeloDomain("no address"), "localhost");
    EXPECT_EQ(HeloDomain("<ann@>"), "localhost");
}

TEST(MailCode, TextsNameTheFileAndUnknownCodesHaveNone) {
    EXPECT_EQ(ErrorText(-67, "/tmp/x.eml"), "Cannot create file /tmp/x.eml");
    EXPECT_EQ(ErrorText(-35, "a.bin"), "Cannot open file a.bin");
    EXPECT_EQ(ErrorText(-49, "ignored"), "SMTP returned error.");
    EXPECT_EQ(ErrorText(0, ""), "Cannot comply");
    EXPECT_EQ(ErrorText(-10061, ""), "Connection refused by remote host.");
    EXPECT_EQ(ErrorText(-11001, ""), "Host does not exist.");
    EXPECT_EQ(ErrorText(-2, ""), "");
    EXPECT_EQ(ErrorText(-10046, ""), "");
    EXPECT_EQ(Value(FromWsa(10060)), -10060);
}

TEST(MailOptions, NumbersSetTheirSettingsAndBadOnesAreRefused) {
    ChannelOptions options;
    EXPECT_EQ(options.smtpPort, 25);
    EXPECT_EQ(options.pop3Port, 110);
    EXPECT_EQ(options.authMechanisms, 7);
    EXPECT_EQ(options.replyTimeout.count(), 60000);
    EXPECT_EQ(options.SetInteger(option::kSmtpPort, 2525), Code::Ok);
    EXPECT_EQ(options.smtpPort, 2525);
    EXPECT_EQ(options.SetInteger(option::kTlsMode, 2), Code::Ok);
    EXPECT_EQ(options.tlsMode, TlsMode::Implicit);
    EXPECT_EQ(options.SetText(option::kAuthUser, "ann"), Code::Ok);
    EXPECT_EQ(options.authUser, "ann");
    const Code invalid = FromWsa(10022);
    EXPECT_EQ(options.SetInteger(option::kSmtpPort, 0), invalid);
    EXPECT_EQ(options.SetInteger(option::kPop3Port, 65536), invalid);
    EXPECT_EQ(options.SetInteger(option::kTlsMode, 3), invalid);
    EXPECT_EQ(options.SetInteger(option::kAuthMechanisms, 8), invalid);
    EXPECT_EQ(options.SetInteger(999, 1), invalid);
    EXPECT_EQ(options.SetText(option::kSmtpPort, "x"), invalid);
    EXPECT_EQ(options.smtpPort, 2525);
}

} // namespace
