// Logging in to the console with real accounts through PAM: a throw-away user in a
// fresh group named by cs_admin_group, and one outside it. Needs root (to create
// the accounts); skipped otherwise or when the system's PAM cannot check them.

#include "console_fixture.h"
#include "platform/registry/registry.h"
#include "platform/security/logon.h"

#include <cstdlib>
#include <string>
#include <unistd.h>

namespace ob::test {
namespace {

using std::chrono::seconds;

bool Shell(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

class ConsoleAccountTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (::geteuid() != 0) {
            GTEST_SKIP() << "creating test accounts needs root";
        }
        const std::string tag = std::to_string(::getpid());
        group_ = "obcg" + tag;
        admin_ = "obca" + tag;
        plain_ = "obcp" + tag;
        ASSERT_TRUE(Shell("groupadd " + group_));
        madeGroup_ = true;
        ASSERT_TRUE(Shell("useradd -M -N -G " + group_ + " " + admin_));
        madeAdmin_ = true;
        ASSERT_TRUE(Shell("useradd -M -N " + plain_));
        madePlain_ = true;
        ASSERT_TRUE(Shell("printf '%s\\n' '" + admin_ + ":" + kPassword + "' '" + plain_ + ":" +
                          kPassword + "' | chpasswd"));
        security::Token token;
        const std::uint32_t error =
            security::LogonUser(admin_, ".", kPassword, security::LOGON_BATCH, token);
        if (error != 0) {
            GTEST_SKIP() << "PAM does not log the test account on here (error " << error << ")";
        }
        ASSERT_EQ(host_.Create(), OB_OK);
        registry::Key key;
        registry::Key::Create(registry::Root::LocalMachine,
                              "Software\\Varndel Software\\Obrenta\\Communication",
                              registry::KEY_READ_WRITE, key);
        key.SetValue("cs_admin_group", group_);
        env::Remove("cs_admin_group");
        port_ = host_.Record().console.Port();
        ASSERT_NE(port_, 0);
    }

    void TearDown() override {
        if (madeAdmin_) {
            Shell("userdel " + admin_);
        }
        if (madePlain_) {
            Shell("userdel " + plain_);
        }
        if (madeGroup_) {
            Shell("groupdel " + group_);
        }
    }

    std::unique_ptr<ConsoleClient> Connect() {
        return std::make_unique<ConsoleClient>(
            port_, [this] { host_.PumpFor(std::chrono::milliseconds(0)); });
    }

    static constexpr const char* kPassword = "Tr0ub4dor&3x";
    TestHost host_;
    std::uint16_t port_ = 0;
    std::string group_, admin_, plain_;
    bool madeGroup_ = false, madeAdmin_ = false, madePlain_ = false;
};

TEST_F(ConsoleAccountTest, GroupMemberLogsIn) {
    auto client = Connect();
    ASSERT_TRUE(client->Login(admin_, kPassword));
    ASSERT_TRUE(client->Send("hello\r\n"));
    EXPECT_EQ(client->ReadUntil(HostPrompt()), "Hello\r\n+OK\r\n" + HostPrompt());
}

TEST_F(ConsoleAccountTest, OthersAreRefused) {
    auto client = Connect();
    ASSERT_FALSE(client->ReadUntil("Username: ").empty());
    client->Send(plain_ + "\r\n" + std::string(kPassword) + "\r\n");
    EXPECT_EQ(client->ReadUntil("+FAILED\r\nUsername: ", seconds(20)),
              "+OK\r\nPassword: Your login is correct, but you do not have Administrator "
              "privileges.\r\nPlease login with an Administrative account.\r\n+FAILED\r\n"
              "Username: ");
    client->Send(admin_ + "\r\nnot-the-password\r\n");
    EXPECT_EQ(client->ReadUntil("+FAILED\r\nUsername: ", seconds(20)),
              "+OK\r\nPassword: The user name or password is incorrect.\r\nPlease try "
              "again.\r\n+FAILED\r\nUsername: ");
}

} // namespace
} // namespace ob::test
