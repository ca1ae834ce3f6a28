#include "registry_fixture.h"

#include <sys/stat.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace ob::registry::test {
namespace {

// Sets (or, with nullopt, removes) environment variables for one test and
// restores them afterwards.
class VariableOverride {
public:
    void Set(const std::string& name, std::optional<std::string> value) {
        saved_.emplace_back(name, ob::env::Get(name));
        if (value) {
            ob::env::Set(name, *value);
        } else {
            ob::env::Remove(name);
        }
    }
    ~VariableOverride() {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
            if (it->second) {
                ob::env::Set(it->first, *it->second);
            } else {
                ob::env::Remove(it->first);
            }
        }
        ResetConnections();
    }

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

TEST(RegistryLocation, DatabasePathsFollowTheEnvironment) {
    struct Case {
        std::optional<std::string> userDir, xdg, home;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"/u", "/x", "/h", "/u/registry.db"},
        {"", "/x", "/h", "/x/obrenta/registry.db"}, // empty counts as unset
        {std::nullopt, "/x", "/h", "/x/obrenta/registry.db"},
        {std::nullopt, std::nullopt, "/h", "/h/.config/obrenta/registry.db"},
        {std::nullopt, "relative/x", "/h", "/h/.config/obrenta/registry.db"},
    };
    for (const Case& c : cases) {
        VariableOverride vars;
        vars.Set("OBRENTA_USER_DIR", c.userDir);
        vars.Set("XDG_CONFIG_HOME", c.xdg);
        vars.Set("HOME", c.home);
        EXPECT_EQ(DatabasePath(Root::CurrentUser), c.expected) << c.expected;
    }

    VariableOverride vars;
    vars.Set("OBRENTA_MACHINE_DIR", std::nullopt);
    EXPECT_EQ(DatabasePath(Root::LocalMachine), "/var/lib/obrenta/registry.db");
    EXPECT_EQ(DatabasePath(Root::ClassesRoot), "/var/lib/obrenta/registry.db");
    vars.Set("OBRENTA_MACHINE_DIR", "/m");
    EXPECT_EQ(DatabasePath(Root::LocalMachine), "/m/registry.db");
}

TEST(RegistryLocation, StoresFollowTheVariablesWithoutAReset) {
    ob::test::ScratchDir first;
    ob::test::ScratchDir second;
    VariableOverride vars;
    vars.Set("OBRENTA_USER_DIR", first / "user");
    Key key;
    ASSERT_EQ(Key::Create(Root::CurrentUser, "K", KEY_ALL_ACCESS, key), ERROR_SUCCESS);
    ASSERT_EQ(key.SetValue("where", "first"), ERROR_SUCCESS);

    vars.Set("OBRENTA_USER_DIR", second / "user");
    std::string data;
    Key other;
    EXPECT_EQ(Key::Open(Root::CurrentUser, "K", KEY_READ, other), ERROR_FILE_NOT_FOUND);

    vars.Set("OBRENTA_USER_DIR", first / "user");
    ASSERT_EQ(key.QueryValue("where", data), ERROR_SUCCESS);
    EXPECT_EQ(data, "first");
}

TEST(RegistryLocation, UserFolderIsCreatedPrivate) {
    ob::test::ScratchDir dir;
    VariableOverride vars;
    const std::string userDir = dir / "config/obrenta";
    vars.Set("OBRENTA_USER_DIR", userDir);
    Key key;
    ASSERT_EQ(Key::Create(Root::CurrentUser, "K", KEY_ALL_ACCESS, key), ERROR_SUCCESS);
    struct stat info {};
    ASSERT_EQ(::stat(userDir.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
}

} // namespace
} // namespace ob::registry::test
