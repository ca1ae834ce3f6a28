// Reads and writes of the variable store: which flags touch the environment and the
// settings store, and how stored values come back.
#include "store_test_support.h"

#include "platform/env/environment.h"

#include <cstdio>
#include <string>

namespace ob::vars::test {
namespace {

constexpr const char* kDefault = "JR.ENVIRONMENT";

TEST_F(StoreTest, ReadFlagsWithoutPersistentBitGiveNothingButTransient) {
    const std::string name = Var("x");
    ASSERT_TRUE(env::Set(name, "live"));
    for (std::uint32_t flags : {0u, 4u, 5u, 8u, 9u, 12u}) {
        EXPECT_EQ(Read(nullptr, name, flags), std::nullopt) << "flags " << flags;
    }
    for (std::uint32_t flags : {1u, 2u, 3u, 10u}) {
        EXPECT_EQ(Read(nullptr, name, flags), "live") << "flags " << flags;
    }
}

TEST_F(StoreTest, PersistentReadPrefersEnvironmentUnlessForced) {
    const std::string name = Var("x");
    Store(Root::LocalMachine, kDefault, name, "stored");
    ASSERT_TRUE(env::Set(name, "live"));

    EXPECT_EQ(Read(nullptr, name, ENV_PERSISTENT), "live");
    EXPECT_EQ(env::Get(name), "live");

    EXPECT_EQ(Read(nullptr, name, ENV_PERSISTENT | ENV_FORCE), "stored");
    EXPECT_EQ(env::Get(name), "stored") << "a forced read refreshes the environment";

    env::Remove(name);
    Store(Root::LocalMachine, kDefault, name, "again");
    EXPECT_EQ(Read(nullptr, name, ENV_PERSISTENT), "again");
    EXPECT_EQ(env::Get(name), "again");
    EXPECT_EQ(Read(nullptr, name, ENV_TRANSIENT), "again");
}

TEST_F(StoreTest, MissingOrEmptyStoredValueReadsAsAbsent) {
    const std::string name = Var("x");
    EXPECT_EQ(Read(nullptr, name, ENV_PERSISTENT), std::nullopt);

    Store(Root::LocalMachine, kDefault, name, "");
    EXPECT_EQ(Read(nullptr, name, ENV_PERSISTENT), std::nullopt);
    EXPECT_EQ(env::Get(name), std::nullopt);

    // A forced read of an empty stored value leaves the live value alone.
    ASSERT_TRUE(env::Set(name, "live"));
    EXPECT_EQ(Read(nullptr, name, ENV_PERSISTENT | ENV_FORCE), std::nullopt);
    EXPECT_EQ(env::Get(name), "live");
}

TEST_F(StoreTest, OnlyExactlyPersistentWritesTheStore) {
    struct Case {
        std::uint32_t flags;
        bool stored;
    };
    const Case cases[] = {{ENV_TRANSIENT, false},
                          {ENV_TRANSIENT | ENV_PERSISTENT, false},
                          {ENV_PERSISTENT | ENV_FORCE, false},
                          {ENV_PERSISTENT | ENV_CRYPTO, false},
                          {0, false},
                          {ENV_PERSISTENT, true}};
    for (const Case& c : cases) {
        const std::string name = Var(std::to_string(c.flags));
        EXPECT_EQ(store_.PutEnv(nullptr, name.c_str(), "v", c.flags), 0) << "flags " << c.flags;
        EXPECT_EQ(env::Get(name), "v") << "flags " << c.flags;
        EXPECT_EQ(Stored(Root::LocalMachine, kDefault, name).has_value(), c.stored)
            << "flags " << c.flags;
    }
}

TEST_F(StoreTest, EmptyValueRemovesVariableButStoresEmptyNullRemovesBoth) {
    const std::string name = Var("x");
    const std::string other = Var("other");
    ASSERT_EQ(store_.PutEnv(nullptr, name.c_str(), "v", ENV_PERSISTENT), 0);
    ASSERT_EQ(store_.PutEnv(nullptr, other.c_str(), "o", ENV_PERSISTENT), 0);
    EXPECT_EQ(Stored(Root::LocalMachine, kDefault, name), "v");

    EXPECT_EQ(store_.PutEnv(nullptr, name.c_str(), "", ENV_PERSISTENT), 0);
    EXPECT_EQ(env::Get(name), std::nullopt);
    EXPECT_EQ(Stored(Root::LocalMachine, kDefault, name), "");

    ASSERT_TRUE(env::Set(name, "live"));
    EXPECT_EQ(store_.PutEnv(nullptr, name.c_str(), nullptr, ENV_PERSISTENT), 0);
    EXPECT_EQ(env::Get(name), std::nullopt);
    EXPECT_EQ(Stored(Root::LocalMachine, kDefault, name), std::nullopt);
    EXPECT_EQ(Stored(Root::LocalMachine, kDefault, other), "o");

    // Removing a value that is not stored is not a failure.
    EXPECT_EQ(store_.PutEnv(nullptr, name.c_str(), nullptr, ENV_PERSISTENT), 0);
}

TEST_F(StoreTest, NullNameDeletesOnlyThatSection) {
    const std::string name = Var("x");
    ASSERT_EQ(store_.PutEnv("S.ONE", name.c_str(), "1", ENV_PERSISTENT), 0);
    ASSERT_EQ(store_.PutEnv("S.TWO", name.c_str(), "2", ENV_PERSISTENT), 0);

    EXPECT_EQ(store_.PutEnv("S.ONE", nullptr, "ignored", ENV_PERSISTENT), 0);
    EXPECT_FALSE(SectionExists(Root::LocalMachine, "S.ONE"));
    EXPECT_EQ(Stored(Root::LocalMachine, "S.TWO", name), "2");

    ASSERT_TRUE(store_.WriteProfileString("S.TWO", nullptr, nullptr));
    EXPECT_FALSE(SectionExists(Root::LocalMachine, "S.TWO"));
    EXPECT_TRUE(store_.WriteProfileString("S.TWO", nullptr, nullptr)) << "already gone";

    // A section path that names the product key itself is never deleted.
    ASSERT_EQ(store_.PutEnv("S.THREE", name.c_str(), "3", ENV_PERSISTENT), 0);
    EXPECT_EQ(store_.PutEnv("\\", nullptr, nullptr, ENV_PERSISTENT), -1);
    EXPECT_EQ(store_.PutEnv("", nullptr, nullptr, ENV_PERSISTENT), -1);
    EXPECT_EQ(Stored(Root::LocalMachine, "S.THREE", name), "3");
}

TEST_F(StoreTest, ReadWithNullNameChangesNothing) {
    Store(Root::LocalMachine, "S.KEEP", "", "default value");
    Store(Root::LocalMachine, "S.KEEP", "entry", "kept");
    for (std::uint32_t flags : {1u, 2u, 6u}) {
        EXPECT_EQ(store_.GetEnv("S.KEEP", nullptr, flags), nullptr);
    }
    EXPECT_EQ(Stored(Root::LocalMachine, "S.KEEP", "entry"), "kept");
}

TEST_F(StoreTest, SectionsAreSeparateAndNullMeansDefault) {
    const std::string name = Var("x");
    ASSERT_EQ(store_.PutEnv(nullptr, name.c_str(), "in default", ENV_PERSISTENT), 0);
    ASSERT_EQ(store_.PutEnv("OTHER", name.c_str(), "in other", ENV_PERSISTENT), 0);
    EXPECT_EQ(Stored(Root::LocalMachine, kDefault, name), "in default");
    EXPECT_EQ(Stored(Root::LocalMachine, "OTHER", name), "in other");
    EXPECT_EQ(Read(kDefault, name, ENV_PERSISTENT | ENV_FORCE), "in default");
    EXPECT_EQ(Read("other", name, ENV_PERSISTENT | ENV_FORCE), "in other")
        << "section names ignore case";
    EXPECT_EQ(store_.GetProfileString("OTHER", name.c_str(), "fb"), "in other");
    EXPECT_EQ(store_.GetProfileString("OTHER", "NO_SUCH_ENTRY", "fb"), "fb");
    EXPECT_EQ(store_.GetProfileString("NO.SUCH.SECTION", name.c_str(), nullptr), "");
}

TEST_F(StoreTest, PersistentWriteLongerThanLimitIsRefused) {
    const std::string name = Var("x");
    const std::string fits(kMaxPersistentValue, 'a');
    const std::string tooLong(kMaxPersistentValue + 1, 'b');

    EXPECT_EQ(store_.PutEnv(nullptr, name.c_str(), fits.c_str(), ENV_PERSISTENT), 0);
    EXPECT_EQ(Stored(Root::LocalMachine, kDefault, name), fits);

    EXPECT_EQ(store_.PutEnv(nullptr, name.c_str(), tooLong.c_str(), ENV_PERSISTENT), -1);
    EXPECT_EQ(Stored(Root::LocalMachine, kDefault, name), fits) << "nothing stored";
    EXPECT_EQ(env::Get(name), tooLong) << "the environment is set all the same";
    EXPECT_EQ(Read(nullptr, name, ENV_TRANSIENT), tooLong) << "live values have no limit";
}

TEST_F(StoreTest, StoredValueLongerThanLimitReadsAsAbsent) {
    const std::string fitsName = Var("fits");
    const std::string longName = Var("long");
    const std::string fits(kMaxPersistentValue, 'a');
    Store(Root::LocalMachine, kDefault, fitsName, fits);
    Store(Root::LocalMachine, kDefault, longName, std::string(kMaxPersistentValue + 1, 'b'));

    EXPECT_EQ(Read(nullptr, fitsName, ENV_PERSISTENT), fits);
    EXPECT_EQ(env::Get(fitsName), fits);

    EXPECT_EQ(Read(nullptr, longName, ENV_PERSISTENT), std::nullopt);
    EXPECT_EQ(env::Get(longName), std::nullopt) << "nothing enters the environment";
    ASSERT_TRUE(env::Set(longName, "live"));
    EXPECT_EQ(Read(nullptr, longName, ENV_PERSISTENT | ENV_FORCE), std::nullopt);
    EXPECT_EQ(env::Get(longName), "live");
}

TEST_F(StoreTest, FailedStoreWriteReportsFailureButSetsEnvironment) {
    // Neither root can be written: the machine store is read-only and the user
    // folder lies below a plain file.
    const std::string file = dir_ / "plain";
    {
        std::FILE* f = std::fopen(file.c_str(), "w");
        ASSERT_NE(f, nullptr);
        std::fclose(f);
    }
    UseStores(true);
    env::Set("OBRENTA_USER_DIR", file + "/user");
    registry::ResetConnections();

    const std::string name = Var("x");
    EXPECT_EQ(store_.PutEnv(nullptr, name.c_str(), "v", ENV_PERSISTENT), -1);
    EXPECT_EQ(env::Get(name), "v");
    EXPECT_FALSE(store_.WriteProfileString(nullptr, name.c_str(), "v"));
}

TEST_F(StoreTest, InvalidEnvironmentNameStillReachesTheStore) {
    // The environment refuses the name; the stored value is written and read all
    // the same, and a read hands out the stored value.
    EXPECT_EQ(store_.PutEnv(nullptr, "A=B", "v", ENV_PERSISTENT), 0);
    EXPECT_EQ(Stored(Root::LocalMachine, kDefault, "A=B"), "v");
    EXPECT_EQ(Read(nullptr, "A=B", ENV_PERSISTENT | ENV_FORCE), "v");
    EXPECT_EQ(Read(nullptr, "A=B", ENV_TRANSIENT), std::nullopt);
}

TEST_F(StoreTest, LastErrorTextLivesInTheEnvironmentOnly) {
    vars_.push_back("JR.LAST_ERROR");
    EXPECT_EQ(store_.SetLastErrorText("it broke"), 1);
    EXPECT_EQ(env::Get("JR.LAST_ERROR"), "it broke");
    EXPECT_EQ(Stored(Root::LocalMachine, kDefault, "JR.LAST_ERROR"), std::nullopt);
    EXPECT_EQ(store_.SetLastErrorText(""), 1);
    EXPECT_EQ(env::Get("JR.LAST_ERROR"), std::nullopt);
    EXPECT_EQ(store_.SetLastErrorText("again"), 1);
    EXPECT_EQ(store_.SetLastErrorText(nullptr), 1);
    EXPECT_EQ(env::Get("JR.LAST_ERROR"), std::nullopt);

    Configure({"Varndel Software", "Obrenta", "Obrenta", "JR.ENVIRONMENT", "VT.MY_ERROR"});
    vars_.push_back("VT.MY_ERROR");
    store_.SetLastErrorText("mine");
    EXPECT_EQ(env::Get("VT.MY_ERROR"), "mine");
}

TEST_F(StoreTest, ConfigurationNamesTheKeys) {
    const StoreConfig& defaults = Config();
    EXPECT_EQ(defaults.company, "Varndel Software");
    EXPECT_EQ(defaults.product, "Obrenta");
    EXPECT_EQ(defaults.third, "Obrenta");
    EXPECT_EQ(defaults.defaultSection, "JR.ENVIRONMENT");
    EXPECT_EQ(defaults.lastErrorVariable, "JR.LAST_ERROR");

    Configure({"Acme Labs", "Tool", "Tool", "MY.SECTION", "MY.ERROR"});
    EXPECT_EQ(defaults.company, "Varndel Software") << "earlier references stay valid";
    const std::string name = Var("x");
    ASSERT_EQ(store_.PutEnv(nullptr, name.c_str(), "v", ENV_PERSISTENT), 0);
    registry::Key key;
    ASSERT_EQ(registry::Key::Open(Root::LocalMachine, "software\\Acme Labs\\Tool\\MY.SECTION",
                                  registry::KEY_READ, key),
              registry::ERROR_SUCCESS);
    std::string data;
    EXPECT_EQ(key.QueryValue(name, data), registry::ERROR_SUCCESS);
    EXPECT_EQ(data.substr(0, data.find('\0')), "v");
    EXPECT_FALSE(SectionExists(Root::LocalMachine, kDefault));
}

} // namespace
} // namespace ob::vars::test
