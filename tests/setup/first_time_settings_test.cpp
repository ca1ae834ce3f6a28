// The first-time settings: what Setup writes into the settings store, where, and
// what it logs.

#include "obrenta/mapi.h"
#include "obrenta/setup.h"
#include "platform/registry/registry.h"
#include "setup_fixture.h"

#include <pwd.h>
#include <unistd.h>

namespace ob::setup {
namespace {

std::string Stored(registry::Root root, const std::string& section, const std::string& name) {
    registry::Key key;
    std::string data = "(missing)";
    if (registry::Key::Open(root, "software\\Varndel Software\\Obrenta\\" + section,
                            registry::KEY_READ, key) == registry::ERROR_SUCCESS) {
        key.QueryValue(name, data);
    }
    return data;
}

std::string HostName() {
    char name[256] = {};
    ::gethostname(name, sizeof name - 1);
    return name;
}

TEST_F(SetupTest, SetupWritesTheConsoleAccountAndMailSettingsWhereItMayWrite) {
    const std::string user = ::getpwuid(::geteuid())->pw_name;
    for (const bool machineReadOnly : {false, true}) {
        test::ScratchDir stores;
        test::UseScratchStores(stores, machineReadOnly);
        const registry::Root root =
            machineReadOnly ? registry::Root::CurrentUser : registry::Root::LocalMachine;
        ::Setup(0, 0);
        EXPECT_EQ(Stored(root, "Communication", "host"), HostName());
        EXPECT_EQ(Stored(root, "Communication", "px_port"), "1228");
        EXPECT_EQ(Stored(root, "Communication", "cs_port"), "1229");
        EXPECT_EQ(Stored(root, "JR.ENVIRONMENT", "ACCOUNT_NAME"), user);
        EXPECT_EQ(Stored(root, "JR.ENVIRONMENT", "EMAIL_PROFILE"), "(missing)");
        const registry::Root other =
            machineReadOnly ? registry::Root::LocalMachine : registry::Root::CurrentUser;
        EXPECT_EQ(Stored(other, "Communication", "cs_port"), "(missing)") << machineReadOnly;
    }
    const std::string once =
        "[_isInit]: \tWriting Communication host name: " + HostName() +
        ".\n"
        "[_isInit]: \tWriting Communication Proxy port number: 1228.\n"
        "[_isInit]: \tWriting Communication Server port number: 1229.\n"
        "[_isInit]: \tWriting Default Account Name.\n"
        "[_isInit]: \tACCOUNT_NAME=" +
        user +
        "\n"
        "[_isInit]: \tWriting Default eMail Profile.\n"
        "[_isInit]: \tMAPIInitialize(NULL).\n"
        "[_isInit]: \tUnable to locate a default email profile (EMAIL_PROFILE).\n";
    EXPECT_EQ(Log(), once + once);
}

TEST_F(SetupTest, TheDefaultMailProfileBecomesEmailProfile) {
    ASSERT_EQ(OB_MapiCreateProfile("jobs", "jobs@example.org", "Jobs", OB_MAPI_SET_DEFAULT),
              SUCCESS_SUCCESS);
    EXPECT_EQ(_isInit(0, 0, 0, Jobs().c_str(), 0), 1);
    EXPECT_EQ(Stored(registry::Root::LocalMachine, "JR.ENVIRONMENT", "EMAIL_PROFILE"), "jobs");
    const std::string log = Log();
    EXPECT_TRUE(log.starts_with("[_isInit]: \tReady to run setup...\n")) << log;
    EXPECT_TRUE(log.ends_with("[_isInit]: \tEMAIL_PROFILE=jobs\n[_isInit]: \tSetup complete.\n"))
        << log;
}

TEST_F(SetupTest, TheDebuggerFlagCopiesTheEntriesToStandardError) {
    testing::internal::CaptureStderr();
    ::Setup(1, 0);
    const std::string copied = testing::internal::GetCapturedStderr();
    EXPECT_NE(copied.find("\tWriting Communication Server port number: 1229.\n"),
              std::string::npos);
    testing::internal::CaptureStderr();
    ::Setup(0, 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

} // namespace
} // namespace ob::setup
