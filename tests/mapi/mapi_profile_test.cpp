// Profiles, sessions and name resolution of libobmapi: the administration the
// installer uses, log-ons and their limits, and the recipient blocks handed out.
#include "mail_test_support.h"
#include "mapi/mapi_sessions.h"
#include "obrenta/mapi.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ob::test {
namespace {

std::string DefaultProfile(registry::Root root) {
    registry::Key key;
    std::string value;
    if (registry::Key::Open(root, kMapiSettingsKey, registry::KEY_READ, key) == 0) {
        key.QueryValue("default_profile", value);
    }
    return value;
}

class MapiProfileTest : public ::testing::Test {
protected:
    void SetUp() override { UseScratchStores(dir_); }

    /// The profile a session on `name` resolves to, through a log-on.
    static std::optional<mapi::Profile> LogOn(const char* name) {
        LHANDLE session = 0;
        if (MAPILogon(0, name, nullptr, MAPI_NEW_SESSION, 0, &session) != SUCCESS_SUCCESS) {
            return std::nullopt;
        }
        auto profile = mapi::Sessions().Find(session);
        EXPECT_EQ(MAPILogoff(session, 0, 0, 0), SUCCESS_SUCCESS);
        return profile;
    }

    ScratchDir dir_;
};

TEST_F(MapiProfileTest, AdministrationChecksItsInput) {
    struct Case {
        std::string name, address;
        std::uint32_t code;
    };
    const std::vector<Case> cases = {
        {"jobs", "jobs@example.com", SUCCESS_SUCCESS},
        {"jobs", "", SUCCESS_SUCCESS}, // a profile that leaves the sender to the mail program
        {"", "jobs@example.com", MAPI_E_LOGON_FAILURE},
        {"a\\b", "jobs@example.com", MAPI_E_LOGON_FAILURE},
        {"line\nbreak", "jobs@example.com", MAPI_E_LOGON_FAILURE},
        {std::string(65, 'p'), "jobs@example.com", MAPI_E_LOGON_FAILURE},
        {"jobs", "jobs@example.com\r\nBcc: eve@example.com", MAPI_E_INVALID_RECIPS},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(OB_MapiCreateProfile(c.name.c_str(), c.address.c_str(), "", 0), c.code)
            << c.name << " " << c.address;
    }
    EXPECT_EQ(OB_MapiSetDefaultProfile("nobody", 0), MAPI_E_LOGON_FAILURE);
    EXPECT_EQ(MapiLastError(), "There is no mail profile named \"nobody\".");
    EXPECT_EQ(OB_MapiDeleteProfile("nobody", 0), MAPI_E_LOGON_FAILURE);
}

TEST_F(MapiProfileTest, TheDefaultProfileGivesTheSenderAndGoesWithItsProfile) {
    EXPECT_EQ(LogOn(nullptr)->address, "") << "no profiles: the mail program's sender";
    ASSERT_EQ(OB_MapiCreateProfile("Jobs", "jobs@example.com", "Nightly Jobs", OB_MAPI_SET_DEFAULT),
              SUCCESS_SUCCESS);
    ASSERT_EQ(OB_MapiCreateProfile("ops", "ops@example.com", "", 0), SUCCESS_SUCCESS);
    EXPECT_EQ(DefaultProfile(registry::Root::LocalMachine), "Jobs");
    const auto profile = LogOn("");
    ASSERT_TRUE(profile);
    EXPECT_EQ(profile->name, "Jobs");
    EXPECT_EQ(profile->address, "jobs@example.com");
    EXPECT_EQ(profile->displayName, "Nightly Jobs");
    EXPECT_EQ(LogOn("OPS")->address, "ops@example.com") << "names compare without case";

    // A user's own default wins over the machine's.
    ASSERT_EQ(OB_MapiSetDefaultProfile("ops", OB_MAPI_USER), SUCCESS_SUCCESS);
    EXPECT_EQ(LogOn(nullptr)->address, "ops@example.com");
    ASSERT_EQ(OB_MapiDeleteProfile("ops", OB_MAPI_USER), MAPI_E_LOGON_FAILURE)
        << "the profile lives in the machine store";

    ASSERT_EQ(OB_MapiDeleteProfile("jobs", 0), SUCCESS_SUCCESS);
    EXPECT_EQ(DefaultProfile(registry::Root::LocalMachine), "");
    EXPECT_FALSE(LogOn("jobs"));
    EXPECT_EQ(MapiLastError(), "There is no mail profile named \"jobs\".");
}

TEST_F(MapiProfileTest, SessionsAreLimitedAndClosedOnlyOnce) {
    std::vector<LHANDLE> sessions;
    for (std::size_t i = 0; i < mapi::SessionTable::kMaxSessions; ++i) {
        LHANDLE session = 0;
        ASSERT_EQ(MAPILogon(0, nullptr, nullptr, 0, 0, &session), SUCCESS_SUCCESS);
        sessions.push_back(session);
    }
    LHANDLE extra = 99;
    EXPECT_EQ(MAPILogon(0, nullptr, nullptr, 0, 0, &extra), MAPI_E_TOO_MANY_SESSIONS);
    EXPECT_EQ(extra, 0u);
    for (const LHANDLE session : sessions) {
        EXPECT_EQ(MAPILogoff(session, 0, 0, 0), SUCCESS_SUCCESS);
    }
    EXPECT_EQ(MAPILogoff(sessions.front(), 0, 0, 0), MAPI_E_INVALID_SESSION);
    EXPECT_EQ(MAPILogon(0, nullptr, nullptr, 0, 0, nullptr), MAPI_E_FAILURE);
}

TEST_F(MapiProfileTest, NamesResolveToRecipientsThatAreFreedOnce) {
    struct Case {
        std::string input;
        std::uint32_t code;
        std::string name, address;
    };
    const std::vector<Case> cases = {
        {"Bob Smith <bob@example.com>", SUCCESS_SUCCESS, "Bob Smith", "SMTP:bob@example.com"},
        {"SMTP:ops@example.com", SUCCESS_SUCCESS, "ops@example.com", "SMTP:ops@example.com"},
        {"Bob Smith", MAPI_E_UNKNOWN_RECIPIENT, "", ""},
        {"bob@example.com\nBcc: eve@example.com", MAPI_E_UNKNOWN_RECIPIENT, "", ""},
    };
    for (const Case& c : cases) {
        MapiRecipDesc* recipient = nullptr;
        ASSERT_EQ(MAPIResolveName(0, 0, c.input.c_str(), 0, 0, &recipient), c.code) << c.input;
        if (c.code != SUCCESS_SUCCESS) {
            EXPECT_EQ(recipient, nullptr);
            continue;
        }
        EXPECT_EQ(recipient->ulRecipClass, static_cast<std::uint32_t>(MAPI_TO));
        EXPECT_EQ(std::string(recipient->lpszName), c.name);
        EXPECT_EQ(std::string(recipient->lpszAddress), c.address);
        EXPECT_EQ(MAPIFreeBuffer(recipient), SUCCESS_SUCCESS);
        EXPECT_EQ(MAPIFreeBuffer(recipient), MAPI_E_FAILURE) << "a second free is refused";
    }
    int local = 0;
    EXPECT_EQ(MAPIFreeBuffer(&local), MAPI_E_FAILURE);
}

TEST_F(MapiProfileTest, AddressResolvesTheRecipientsItIsGiven) {
    char bob[] = "Bob";
    char bobAddress[] = "bob@example.com";
    char ops[] = "Ops <ops@example.com>";
    const MapiRecipDesc given[] = {{0, MAPI_TO, bob, bobAddress, 0, nullptr},
                                   {0, MAPI_CC, ops, nullptr, 0, nullptr}};
    std::uint32_t count = 0;
    MapiRecipDesc* resolved = nullptr;
    ASSERT_EQ(MAPIAddress(0, 0, "To", 2, nullptr, 2, given, 0, 0, &count, &resolved),
              SUCCESS_SUCCESS);
    ASSERT_EQ(count, 2u);
    EXPECT_EQ(std::string(resolved[0].lpszName), "Bob");
    EXPECT_EQ(std::string(resolved[0].lpszAddress), "SMTP:bob@example.com");
    EXPECT_EQ(resolved[1].ulRecipClass, static_cast<std::uint32_t>(MAPI_CC));
    EXPECT_EQ(std::string(resolved[1].lpszName), "Ops");
    EXPECT_EQ(std::string(resolved[1].lpszAddress), "SMTP:ops@example.com");
    EXPECT_EQ(MAPIFreeBuffer(resolved), SUCCESS_SUCCESS);

    EXPECT_EQ(MAPIAddress(0, 0, nullptr, 5, nullptr, 0, nullptr, 0, 0, &count, &resolved),
              MAPI_E_INVALID_EDITFIELDS);
    EXPECT_EQ(MAPIAddress(77, 0, nullptr, 1, nullptr, 0, nullptr, 0, 0, &count, &resolved),
              MAPI_E_INVALID_SESSION);
}

} // namespace
} // namespace ob::test
