// Which root the store reads and writes: the machine store when the process may
// write it, else the user's store with a fall-back to the machine store on reads.
#include "store_test_support.h"

#include "platform/env/environment.h"

namespace ob::vars::test {
namespace {

constexpr const char* kDefault = "JR.ENVIRONMENT";

TEST_F(StoreTest, WritableMachineStoreIsTheOnlyOneUsed) {
    const std::string name = Var("x");
    ASSERT_EQ(store_.PutEnv(nullptr, name.c_str(), "m", ENV_PERSISTENT), 0);
    EXPECT_EQ(Stored(Root::LocalMachine, kDefault, name), "m");
    EXPECT_EQ(Stored(Root::CurrentUser, kDefault, name), std::nullopt);

    // A user value is not consulted while the machine store is writable.
    const std::string userOnly = Var("user");
    Store(Root::CurrentUser, kDefault, userOnly, "u");
    EXPECT_EQ(Read(nullptr, userOnly, ENV_PERSISTENT | ENV_FORCE), std::nullopt);
}

TEST_F(StoreTest, ReadOnlyMachineStoreSendsWritesToTheUser) {
    const std::string name = Var("x");
    UseStores(true);
    ASSERT_FALSE(store_.HasMachineWriteAccess());
    EXPECT_EQ(store_.PutEnv(nullptr, name.c_str(), "u", ENV_PERSISTENT), 0);
    EXPECT_EQ(Stored(Root::CurrentUser, kDefault, name), "u");
    EXPECT_EQ(Stored(Root::LocalMachine, kDefault, name), std::nullopt);
    EXPECT_EQ(Read(nullptr, name, ENV_PERSISTENT | ENV_FORCE), "u");
}

TEST_F(StoreTest, UserFallsBackToMachineAndKeepsAPrivateCopy) {
    const std::string name = Var("x");
    ASSERT_TRUE(store_.HasMachineWriteAccess());
    Store(Root::LocalMachine, kDefault, name, "machine");
    UseStores(true);

    EXPECT_EQ(Read(nullptr, name, ENV_PERSISTENT), "machine");
    EXPECT_EQ(env::Get(name), "machine");
    EXPECT_EQ(Stored(Root::CurrentUser, kDefault, name), "machine") << "private copy";

    // The machine value changes; the user's copy now wins.
    UseStores(false);
    Store(Root::LocalMachine, kDefault, name, "machine 2");
    UseStores(true);
    EXPECT_EQ(Read(nullptr, name, ENV_PERSISTENT | ENV_FORCE), "machine");

    // An empty user value falls back to the machine value again.
    ASSERT_EQ(store_.PutEnv(nullptr, name.c_str(), "", ENV_PERSISTENT), 0);
    EXPECT_EQ(Stored(Root::CurrentUser, kDefault, name), "");
    EXPECT_EQ(Read(nullptr, name, ENV_PERSISTENT), "machine 2");
    EXPECT_EQ(Stored(Root::LocalMachine, kDefault, name), "machine 2") << "machine untouched";
}

TEST_F(StoreTest, UserValueOverLimitFallsBackToMachine) {
    const std::string name = Var("x");
    Store(Root::LocalMachine, kDefault, name, "machine");
    Store(Root::CurrentUser, kDefault, name, std::string(kMaxPersistentValue + 1, 'u'));
    UseStores(true);
    EXPECT_EQ(Read(nullptr, name, ENV_PERSISTENT), "machine");
}

} // namespace
} // namespace ob::vars::test
