// Addresses and mailboxes: what is accepted as it stands, and where and why the
// rest is refused (line breaks above all, which would add headers).
#include "mapi/mail_address.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ob::test {
namespace {

using Parser = mapi::AddressParse (*)(std::string_view);

struct Case {
    Parser parse;
    std::string input;
    bool ok;
    std::string name;    // accepted: the display name
    std::string address; // accepted: the address
    std::size_t errorAt; // refused: where
    std::string reason;  // refused: a part of the reason
};

TEST(MailAddressTest, AcceptsAddressesAndReportsWhereOthersGoWrong) {
    const Parser address = mapi::ParseAddress;
    const Parser recipient = mapi::ParseRecipientAddress;
    const Parser mailbox = mapi::ParseMailbox;
    const std::string longLocal(65, 'a');
    const std::vector<Case> cases = {
        {address, "  bob@example.com ", true, "", "bob@example.com", 0, ""},
        {address, "first.o'neil+tag@mail.example-host.org", true, "",
         "first.o'neil+tag@mail.example-host.org", 0, ""},
        {address, "root", true, "", "root", 0, ""},
        {address, "\"odd \\\" name\"@example.com", true, "", "\"odd \\\" name\"@example.com", 0,
         ""},
        {address, "ops@[192.0.2.7]", true, "", "ops@[192.0.2.7]", 0, ""},
        {address, "bob@example.com\r\nBcc: eve@example.com", false, "", "", 15, "line break"},
        {address, "bob@exam\nple.com", false, "", "", 8, "line break"},
        {address, "", false, "", "", 0, "empty"},
        {address, "a@b, c@d", false, "", "", 3, "','"},
        {address, "bob@", false, "", "", 4, "no domain"},
        {address, "bob..smith@example.com", false, "", "", 4, "empty part"},
        {address, "bob@-example.com", false, "", "", 4, "'-'"},
        {address, "b\xc3\xb6@example.com", false, "", "", 1, "non-ASCII"},
        {address, longLocal + "@example.com", false, "", "", 64, "64"},
        {address, "\"open@example.com", false, "", "", 17, "unterminated"},
        {recipient, "SMTP:bob@example.com", true, "", "bob@example.com", 0, ""},
        {recipient, "smtp: bob@example.com", true, "", "bob@example.com", 0, ""},
        {recipient, "FAX:+4412345", false, "", "", 0, "other than SMTP"},
        {recipient, "SMTP:bob@example.com\r\n", false, "", "", 20, "line break"},
        {mailbox, "Bob Smith <bob@example.com>", true, "Bob Smith", "bob@example.com", 0, ""},
        {mailbox, "\"Smith, \\\"Bob\\\"\" <SMTP:bob@example.com>", true, "Smith, \"Bob\"",
         "bob@example.com", 0, ""},
        {mailbox, "J\xc3\xb6rg <jorg@example.com>", true, "J\xc3\xb6rg", "jorg@example.com", 0, ""},
        {mailbox, "bob@example.com", true, "", "bob@example.com", 0, ""},
        {mailbox, "Bob\r\nBcc: eve@example.com <bob@example.com>", false, "", "", 3, "line break"},
        {mailbox, "Bob Smith", false, "", "", 3, "' '"},
        {mailbox, "Bob <bob@example.com\n>", false, "", "", 20, "line break"},
    };
    for (const Case& c : cases) {
        const mapi::AddressParse result = c.parse(c.input);
        EXPECT_EQ(result.ok, c.ok) << c.input;
        if (c.ok) {
            EXPECT_EQ(result.name, c.name) << c.input;
            EXPECT_EQ(result.address, c.address) << c.input;
        } else {
            EXPECT_EQ(result.errorAt, c.errorAt) << c.input << ": " << result.reason;
            EXPECT_NE(result.reason.find(c.reason), std::string::npos)
                << c.input << ": " << result.reason;
        }
    }
}

} // namespace
} // namespace ob::test
