#include "registry_fixture.h"

#include <sqlite3.h>

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

namespace ob::registry::test {
namespace {

using Names = std::vector<std::string>;

Names ValueNames(const Key& key) {
    Names names;
    EXPECT_EQ(key.EnumValueNames(names), ERROR_SUCCESS);
    return names;
}

Names SubKeys(const Key& key) {
    Names names;
    EXPECT_EQ(key.EnumSubKeys(names), ERROR_SUCCESS);
    return names;
}

using RegistryKeys = RegistryTest;

TEST_F(RegistryKeys, NamesIgnoreCaseAndKeepTheSpellingOfTheirCreation) {
    Put(Root::CurrentUser, "Software\\Varndel Software\\Obrenta", "CS_Port", "1229");

    Key key;
    ASSERT_EQ(
        Key::Open(Root::CurrentUser, "SOFTWARE\\varndel software\\OBRENTA", KEY_ALL_ACCESS, key),
        ERROR_SUCCESS);
    EXPECT_EQ(key.Path(), "Software\\Varndel Software\\Obrenta");
    std::string data;
    ASSERT_EQ(key.QueryValue("cs_port", data), ERROR_SUCCESS);
    EXPECT_EQ(data, "1229");

    // Writing through another spelling updates the value and keeps its name.
    ASSERT_EQ(key.SetValue("CS_PORT", "1230"), ERROR_SUCCESS);
    EXPECT_EQ(ValueNames(key), Names{"CS_Port"});
    EXPECT_EQ(Read(Root::CurrentUser, "software\\varndel software\\obrenta", "cs_port"), "1230");

    // Creating the key again in other letters finds the same key.
    Key again;
    ASSERT_EQ(Key::Create(Root::CurrentUser, "software\\VARNDEL SOFTWARE", KEY_ALL_ACCESS, again),
              ERROR_SUCCESS);
    EXPECT_EQ(again.Path(), "Software\\Varndel Software");
    Key software;
    ASSERT_EQ(Key::Open(Root::CurrentUser, "software", KEY_READ, software), ERROR_SUCCESS);
    EXPECT_EQ(SubKeys(software), Names{"Varndel Software"});
}

TEST_F(RegistryKeys, OnlyAsciiLettersFoldCase) {
    Put(Root::CurrentUser, "K", "\xC3\xA9t\xC3\xA9", "lower"); // été
    Put(Root::CurrentUser, "K", "\xC3\x89T\xC3\x89", "upper"); // ÉTÉ
    EXPECT_EQ(Read(Root::CurrentUser, "k", "\xC3\xA9T\xC3\xA9"), "lower");
    EXPECT_EQ(Read(Root::CurrentUser, "k", "\xC3\x89t\xC3\x89"), "upper");
}

TEST_F(RegistryKeys, CreateMakesEveryMissingParentAndDeleteRemovesTheWholeTree) {
    Put(Root::LocalMachine, "A\\B\\C\\D", "deep", "4");
    Put(Root::LocalMachine, "A\\B", "mid", "2");
    Put(Root::LocalMachine, "A\\B\\Sibling", "s", "s");
    Put(Root::LocalMachine, "A\\Other", "keep", "yes");
    Put(Root::LocalMachine, "A", "top", "1");
    for (const char* path : {"A", "A\\B", "A\\B\\C", "A\\B\\C\\D", "A\\B\\Sibling"}) {
        EXPECT_TRUE(Exists(Root::LocalMachine, path)) << path;
    }

    Key a;
    ASSERT_EQ(Key::Open(Root::LocalMachine, "a", KEY_ALL_ACCESS, a), ERROR_SUCCESS);
    EXPECT_EQ(SubKeys(a), (Names{"B", "Other"}));
    ASSERT_EQ(a.DeleteSubKey("b"), ERROR_SUCCESS);

    for (const char* path : {"A\\B", "A\\B\\C", "A\\B\\C\\D", "A\\B\\Sibling"}) {
        EXPECT_FALSE(Exists(Root::LocalMachine, path)) << path;
    }
    EXPECT_EQ(SubKeys(a), Names{"Other"});
    EXPECT_EQ(Read(Root::LocalMachine, "A\\Other", "keep"), "yes");
    EXPECT_EQ(Read(Root::LocalMachine, "A", "top"), "1");

    // A key made again under the same name starts empty: nothing below the
    // deleted key survived in the database.
    Key b;
    ASSERT_EQ(Key::Create(Root::LocalMachine, "A\\B", KEY_ALL_ACCESS, b), ERROR_SUCCESS);
    EXPECT_TRUE(ValueNames(b).empty());
    EXPECT_TRUE(SubKeys(b).empty());
    EXPECT_FALSE(Exists(Root::LocalMachine, "A\\B\\C"));

    EXPECT_EQ(a.DeleteSubKey("Missing"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(a.DeleteSubKey(""), ERROR_INVALID_PARAMETER);
    ASSERT_EQ(a.DeleteSubKey("Other\\"), ERROR_SUCCESS); // a path, trailing slash and all
    EXPECT_FALSE(Exists(Root::LocalMachine, "A\\Other"));
}

TEST_F(RegistryKeys, ValuesEnumerateInCreationOrderAndSubKeysByName) {
    Key key;
    ASSERT_EQ(Key::Create(Root::CurrentUser, "Order", KEY_ALL_ACCESS, key), ERROR_SUCCESS);
    for (const char* name : {"zeta", "alpha", "Mid", ""}) {
        ASSERT_EQ(key.SetValue(name, name), ERROR_SUCCESS);
    }
    ASSERT_EQ(key.SetValue("ALPHA", "again"), ERROR_SUCCESS); // keeps its place
    EXPECT_EQ(ValueNames(key), (Names{"zeta", "alpha", "Mid", ""}));

    ASSERT_EQ(key.DeleteValue("Alpha"), ERROR_SUCCESS);
    EXPECT_EQ(key.DeleteValue("alpha"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(ValueNames(key), (Names{"zeta", "Mid", ""}));

    std::string data;
    ASSERT_EQ(key.QueryValue("", data), ERROR_SUCCESS); // the default value
    EXPECT_EQ(data, "");
    EXPECT_EQ(key.QueryValue("alpha", data), ERROR_FILE_NOT_FOUND);

    for (const char* sub : {"b", "A", "c", "B2"}) {
        Key child;
        ASSERT_EQ(key.CreateSubKey(sub, KEY_READ, child), ERROR_SUCCESS);
    }
    EXPECT_EQ(SubKeys(key), (Names{"A", "b", "B2", "c"}));
}

TEST_F(RegistryKeys, ValuesKeepEveryByteAndTheirType) {
    const std::string longValue(10000, 'x');
    const std::string text = "line one\nline two \xE2\x82\xAC \"quoted\" ; = \\";
    const std::string withNul("a\0b", 3);
    Key key;
    ASSERT_EQ(Key::Create(Root::CurrentUser, "Bytes", KEY_ALL_ACCESS, key), ERROR_SUCCESS);
    ASSERT_EQ(key.SetValue("long", longValue), ERROR_SUCCESS);
    ASSERT_EQ(key.SetValue("text", text), ERROR_SUCCESS);
    ASSERT_EQ(key.SetValue("nul", withNul), ERROR_SUCCESS);
    ASSERT_EQ(key.SetValue("typed", "%PATH%", 2), ERROR_SUCCESS);
    ASSERT_EQ(key.SetValue("empty", ""), ERROR_SUCCESS);

    ResetConnections(); // read back from the file, not from a cache
    std::string data;
    std::uint32_t type = 0;
    ASSERT_EQ(key.QueryValue("long", data, &type), ERROR_SUCCESS);
    EXPECT_EQ(data, longValue); // the settings store itself has no length limit
    EXPECT_EQ(type, REG_SZ);
    ASSERT_EQ(key.QueryValue("text", data), ERROR_SUCCESS);
    EXPECT_EQ(data, text);
    ASSERT_EQ(key.QueryValue("nul", data), ERROR_SUCCESS);
    EXPECT_EQ(data, withNul);
    ASSERT_EQ(key.QueryValue("typed", data, &type), ERROR_SUCCESS);
    EXPECT_EQ(type, 2u);
    ASSERT_EQ(key.QueryValue("empty", data), ERROR_SUCCESS);
    EXPECT_EQ(data, "");
}

TEST_F(RegistryKeys, ReadsOfAMissingStoreFindNothingAndCreateNothing) {
    // Point the machine store at a folder that does not exist.
    const std::string missingDir = dir_ / "not/yet/there";
    ob::env::Set("OBRENTA_MACHINE_DIR", missingDir);
    ResetConnections();

    Key root;
    ASSERT_EQ(Key::Open(Root::LocalMachine, "", KEY_READ, root), ERROR_SUCCESS);
    EXPECT_TRUE(root.IsOpen());
    EXPECT_TRUE(SubKeys(root).empty());
    EXPECT_TRUE(ValueNames(root).empty());
    std::string data;
    EXPECT_EQ(root.QueryValue("x", data), ERROR_FILE_NOT_FOUND);
    Key key;
    EXPECT_EQ(Key::Open(Root::LocalMachine, "Software", KEY_READ, key), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(key.IsOpen());
    EXPECT_EQ(Key::Open(Root::ClassesRoot, ".job", KEY_READ, key), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(root.DeleteSubKey("Software"), ERROR_ACCESS_DENIED); // opened for reading
    Key writable;
    ASSERT_EQ(Key::Open(Root::LocalMachine, "", KEY_ALL_ACCESS, writable), ERROR_SUCCESS);
    EXPECT_EQ(writable.DeleteSubKey("Software"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(writable.DeleteValue("x"), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(std::filesystem::exists(missingDir));
    EXPECT_TRUE(LastStoreProblem().empty());

    // The first write makes the folders and the database.
    Put(Root::LocalMachine, "Software", "v", "1");
    EXPECT_TRUE(std::filesystem::exists(missingDir + "/registry.db"));
    EXPECT_EQ(Read(Root::LocalMachine, "Software", "v"), "1");
}

TEST_F(RegistryKeys, ClassesRootIsTheMachineSoftwareClassesKey) {
    Put(Root::ClassesRoot, ".job", "", "Obrenta.Job");
    EXPECT_EQ(Read(Root::LocalMachine, "Software\\Classes\\.job", ""), "Obrenta.Job");
    EXPECT_FALSE(std::filesystem::exists(UserFile()));

    Put(Root::LocalMachine, "SOFTWARE\\CLASSES\\Obrenta.Job\\CLSID", "", "{1234}");
    Key key;
    ASSERT_EQ(Key::Open(Root::ClassesRoot, "obrenta.job\\clsid", KEY_READ, key), ERROR_SUCCESS);
    EXPECT_EQ(key.Path(), "Obrenta.Job\\CLSID"); // relative to HKEY_CLASSES_ROOT

    Key classes;
    ASSERT_EQ(Key::Open(Root::ClassesRoot, "", KEY_ALL_ACCESS, classes), ERROR_SUCCESS);
    EXPECT_EQ(classes.Path(), "");
    EXPECT_EQ(SubKeys(classes), (Names{".job", "Obrenta.Job"}));
    ASSERT_EQ(classes.SetValue("rootValue", "r"), ERROR_SUCCESS);
    EXPECT_EQ(Read(Root::LocalMachine, "Software\\Classes", "rootValue"), "r");
}

TEST_F(RegistryKeys, ClassesRootValueCreatesItsKeyOnFirstWrite) {
    Key classes;
    ASSERT_EQ(Key::Open(Root::ClassesRoot, "", KEY_ALL_ACCESS, classes), ERROR_SUCCESS);
    EXPECT_TRUE(SubKeys(classes).empty());
    std::string data;
    EXPECT_EQ(classes.QueryValue("v", data), ERROR_FILE_NOT_FOUND);
    ASSERT_EQ(classes.SetValue("v", "1"), ERROR_SUCCESS);
    EXPECT_EQ(Read(Root::LocalMachine, "software\\classes", "v"), "1");
}

TEST_F(RegistryKeys, KeyDeletedUnderAnOpenHandleIsNotRecreated) {
    Put(Root::CurrentUser, "Parent\\Child", "v", "1");
    Key child;
    ASSERT_EQ(Key::Open(Root::CurrentUser, "Parent\\Child", KEY_ALL_ACCESS, child), ERROR_SUCCESS);
    Key root;
    ASSERT_EQ(Key::Open(Root::CurrentUser, "", KEY_ALL_ACCESS, root), ERROR_SUCCESS);
    ASSERT_EQ(root.DeleteSubKey("parent"), ERROR_SUCCESS);

    std::string data;
    Names names;
    EXPECT_EQ(child.QueryValue("v", data), ERROR_KEY_DELETED);
    EXPECT_EQ(child.SetValue("v", "2"), ERROR_KEY_DELETED);
    EXPECT_EQ(child.EnumValueNames(names), ERROR_KEY_DELETED);
    EXPECT_FALSE(Exists(Root::CurrentUser, "Parent"));
}

TEST_F(RegistryKeys, ClosedKeyIsAnInvalidHandle) {
    Key closed;
    EXPECT_FALSE(closed.IsOpen());
    EXPECT_EQ(closed.Path(), "");
    std::string data;
    Names names;
    Key out;
    EXPECT_EQ(closed.QueryValue("v", data), ERROR_INVALID_HANDLE);
    EXPECT_EQ(closed.SetValue("v", "d"), ERROR_INVALID_HANDLE);
    EXPECT_EQ(closed.DeleteValue("v"), ERROR_INVALID_HANDLE);
    EXPECT_EQ(closed.DeleteSubKey("v"), ERROR_INVALID_HANDLE);
    EXPECT_EQ(closed.EnumValueNames(names), ERROR_INVALID_HANDLE);
    EXPECT_EQ(closed.EnumSubKeys(names), ERROR_INVALID_HANDLE);
    EXPECT_EQ(closed.OpenSubKey("v", KEY_READ, out), ERROR_INVALID_HANDLE);
    EXPECT_EQ(closed.CreateSubKey("v", KEY_READ, out), ERROR_INVALID_HANDLE);

    // A moved-from key is closed too.
    Key opened;
    ASSERT_EQ(Key::Open(Root::CurrentUser, "", KEY_READ, opened), ERROR_SUCCESS);
    Key moved = std::move(opened);
    EXPECT_TRUE(moved.IsOpen());
    EXPECT_FALSE(opened.IsOpen()); // NOLINT(bugprone-use-after-move)
}

TEST_F(RegistryKeys, SubKeysOpenRelativeToTheirParent) {
    Key product;
    ASSERT_EQ(Key::Create(Root::CurrentUser, "Software\\Obrenta", KEY_ALL_ACCESS, product),
              ERROR_SUCCESS);
    Key section;
    ASSERT_EQ(product.CreateSubKey("Communication\\Console", KEY_ALL_ACCESS, section),
              ERROR_SUCCESS);
    EXPECT_EQ(section.Path(), "Software\\Obrenta\\Communication\\Console");
    ASSERT_EQ(section.SetValue("cs_port", "0"), ERROR_SUCCESS);

    // The result may replace the key it was opened from.
    Key walk;
    ASSERT_EQ(Key::Open(Root::CurrentUser, "software", KEY_READ, walk), ERROR_SUCCESS);
    ASSERT_EQ(walk.OpenSubKey("obrenta", KEY_READ, walk), ERROR_SUCCESS);
    ASSERT_EQ(walk.OpenSubKey("communication\\console", KEY_READ, walk), ERROR_SUCCESS);
    std::string data;
    ASSERT_EQ(walk.QueryValue("CS_PORT", data), ERROR_SUCCESS);
    EXPECT_EQ(data, "0");
    Key missing;
    EXPECT_EQ(walk.OpenSubKey("nothing", KEY_READ, missing), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryKeys, EmptyPathNamesAreIgnored) {
    Put(Root::CurrentUser, "\\One\\\\Two\\", "v", "1");
    Key key;
    ASSERT_EQ(Key::Open(Root::CurrentUser, "One\\Two", KEY_READ, key), ERROR_SUCCESS);
    EXPECT_EQ(key.Path(), "One\\Two");
}

TEST_F(RegistryKeys, RootNamesParseInAnyCase) {
    const std::vector<std::pair<std::string, Root>> good = {
        {"HKLM", Root::LocalMachine}, {"hkey_local_machine", Root::LocalMachine},
        {"HkCu", Root::CurrentUser},  {"HKEY_CURRENT_USER", Root::CurrentUser},
        {"hkcr", Root::ClassesRoot},  {"HKEY_Classes_Root", Root::ClassesRoot},
    };
    for (const auto& [text, expected] : good) {
        Root root = Root::LocalMachine;
        EXPECT_TRUE(ParseRoot(text, root)) << text;
        EXPECT_EQ(root, expected) << text;
    }
    for (const char* text : {"", "HKU", "HKLM\\Software", "HKEY_USERS", "HKLMX", "HKL"}) {
        Root root = Root::CurrentUser;
        EXPECT_FALSE(ParseRoot(text, root)) << text;
    }
}

TEST_F(RegistryKeys, DatabaseUsesARollbackJournalAndCloseOnExecDescriptors) {
    Put(Root::LocalMachine, "Software", "v", "1");
    EXPECT_FALSE(std::filesystem::exists(MachineFile() + "-wal"));
    EXPECT_FALSE(std::filesystem::exists(MachineFile() + "-journal")); // committed

    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2(MachineFile().c_str(), &db, SQLITE_OPEN_READONLY, nullptr),
              SQLITE_OK);
    sqlite3_stmt* stmt = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, "PRAGMA journal_mode", -1, &stmt, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_step(stmt), SQLITE_ROW);
    EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)), "delete");
    sqlite3_finalize(stmt);
    sqlite3_close(db);

    // Every descriptor the store holds on its database is close-on-exec.
    int seen = 0;
    const std::string target = std::filesystem::canonical(MachineFile()).string();
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        const auto link = std::filesystem::read_symlink(entry.path(), error);
        if (error || link.string() != target) {
            continue;
        }
        const int fd = std::stoi(entry.path().filename().string());
        const int flags = ::fcntl(fd, F_GETFD);
        EXPECT_NE(flags & FD_CLOEXEC, 0) << "descriptor " << fd;
        ++seen;
    }
    EXPECT_GT(seen, 0);
}

} // namespace
} // namespace ob::registry::test
