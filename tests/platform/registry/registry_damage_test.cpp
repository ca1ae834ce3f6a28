#include "registry_fixture.h"

#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

namespace ob::registry::test {
namespace {

std::string Contents(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& file, const std::string& bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string RandomBytes(std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes) {
        c = static_cast<char>(random() & 0xff);
    }
    return bytes;
}

using RegistryDamage = RegistryTest;

TEST_F(RegistryDamage, RandomBytesReadAsAbsentAndAreNeverOverwritten) {
    const std::string garbage = RandomBytes(64 * 1024, 7);
    WriteFile(MachineFile(), garbage);
    ResetConnections();

    Key key;
    EXPECT_EQ(Key::Open(Root::LocalMachine, "Software", KEY_READ, key), ERROR_FILE_NOT_FOUND);
    const std::string problem = LastStoreProblem();
    EXPECT_NE(problem.find(MachineFile()), std::string::npos) << problem;
    EXPECT_NE(problem.find("corrupt"), std::string::npos) << problem;
    EXPECT_EQ(StoreProblem(Root::LocalMachine), problem);
    EXPECT_EQ(StoreProblem(Root::ClassesRoot), problem);
    EXPECT_TRUE(StoreProblem(Root::CurrentUser).empty());

    // The root still opens and reads as empty.
    Key root;
    ASSERT_EQ(Key::Open(Root::LocalMachine, "", KEY_ALL_ACCESS, root), ERROR_SUCCESS);
    std::vector<std::string> names;
    EXPECT_EQ(root.EnumSubKeys(names), ERROR_SUCCESS);
    EXPECT_TRUE(names.empty());
    std::string data;
    EXPECT_EQ(root.QueryValue("v", data), ERROR_FILE_NOT_FOUND);

    // Writes refuse to touch it.
    EXPECT_EQ(root.SetValue("v", "1"), ERROR_BADDB);
    EXPECT_EQ(Key::Create(Root::LocalMachine, "Software", KEY_ALL_ACCESS, key), ERROR_BADDB);
    EXPECT_EQ(root.DeleteSubKey("Software"), ERROR_BADDB);
    EXPECT_EQ(Contents(MachineFile()), garbage);

    // The other store works meanwhile.
    Put(Root::CurrentUser, "Software", "v", "1");
    EXPECT_EQ(Read(Root::CurrentUser, "Software", "v"), "1");

    // Once the file is gone, the store starts afresh and the problem clears.
    std::filesystem::remove(MachineFile());
    Put(Root::LocalMachine, "Software", "v", "fresh");
    EXPECT_EQ(Read(Root::LocalMachine, "Software", "v"), "fresh");
    EXPECT_TRUE(StoreProblem(Root::LocalMachine).empty());
    EXPECT_TRUE(LastStoreProblem().empty());
}

TEST_F(RegistryDamage, DamagedPagesBehindAValidHeaderReadAsAbsent) {
    for (int i = 0; i < 40; ++i) {
        Put(Root::CurrentUser, "Data\\Key" + std::to_string(i % 20), "v" + std::to_string(i),
            std::string(1500, 'a' + i % 26));
    }
    ResetConnections();
    // Keep the first page (header and schema), scramble the rest.
    std::string bytes = Contents(UserFile());
    ASSERT_GT(bytes.size(), 8192u);
    const std::string noise = RandomBytes(bytes.size() - 4096, 11);
    bytes.replace(4096, noise.size(), noise);
    WriteFile(UserFile(), bytes);

    int readable = 0;
    for (int i = 0; i < 20; ++i) {
        Key key;
        if (Key::Open(Root::CurrentUser, "Data\\Key" + std::to_string(i), KEY_READ, key) ==
            ERROR_SUCCESS) {
            std::vector<std::string> names;
            key.EnumValueNames(names);
            ++readable;
        }
    }
    EXPECT_EQ(readable, 0);
    EXPECT_NE(LastStoreProblem().find("corrupt"), std::string::npos) << LastStoreProblem();
}

TEST_F(RegistryDamage, TruncatedDatabaseReadsAsAbsent) {
    Put(Root::CurrentUser, "Data", "v", std::string(20000, 'x'));
    ResetConnections();
    const std::string bytes = Contents(UserFile());
    WriteFile(UserFile(), bytes.substr(0, 1000));

    Key key;
    EXPECT_EQ(Key::Open(Root::CurrentUser, "Data", KEY_READ, key), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(LastStoreProblem().empty());
}

TEST_F(RegistryDamage, EmptyFileIsAnEmptyStore) {
    WriteFile(UserFile(), "");
    ResetConnections();
    Key key;
    EXPECT_EQ(Key::Open(Root::CurrentUser, "Data", KEY_READ, key), ERROR_FILE_NOT_FOUND);
    EXPECT_TRUE(LastStoreProblem().empty());
    Put(Root::CurrentUser, "Data", "v", "1");
    EXPECT_EQ(Read(Root::CurrentUser, "data", "V"), "1");
}

TEST_F(RegistryDamage, ForeignSqliteDatabaseGainsOurTablesAndKeepsItsOwn) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(UserFile().c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, "CREATE TABLE other(x); INSERT INTO other VALUES (42);", nullptr,
                           nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
    ResetConnections();

    Key key;
    EXPECT_EQ(Key::Open(Root::CurrentUser, "Data", KEY_READ, key), ERROR_FILE_NOT_FOUND);
    EXPECT_TRUE(LastStoreProblem().empty());
    Put(Root::CurrentUser, "Data", "v", "1");
    EXPECT_EQ(Read(Root::CurrentUser, "Data", "v"), "1");

    ASSERT_EQ(sqlite3_open(UserFile().c_str(), &db), SQLITE_OK);
    sqlite3_stmt* stmt = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, "SELECT x FROM other", -1, &stmt, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_step(stmt), SQLITE_ROW);
    EXPECT_EQ(sqlite3_column_int(stmt, 0), 42);
    sqlite3_finalize(stmt);
    sqlite3_close(db);
}

TEST_F(RegistryDamage, DatabaseRemovedOrReplacedWhileConnectedIsNoticed) {
    Put(Root::CurrentUser, "Data", "old", "1");
    std::filesystem::remove(UserFile());
    EXPECT_FALSE(Exists(Root::CurrentUser, "Data")); // not the deleted file's contents
    Put(Root::CurrentUser, "Data", "new", "2");
    EXPECT_TRUE(std::filesystem::exists(UserFile())); // not written into the deleted file
    EXPECT_EQ(Read(Root::CurrentUser, "Data", "old"), "<error 2>");
    EXPECT_EQ(Read(Root::CurrentUser, "Data", "new"), "2");

    // Another database moved into place is read, not the one opened before.
    const std::string other = dir_ / "other.db";
    std::filesystem::copy_file(UserFile(), other);
    Put(Root::CurrentUser, "Data", "newer", "3");
    std::filesystem::rename(other, UserFile());
    EXPECT_EQ(Read(Root::CurrentUser, "Data", "newer"), "<error 2>");
    EXPECT_EQ(Read(Root::CurrentUser, "Data", "new"), "2");
}

TEST_F(RegistryDamage, DirectoryInPlaceOfTheDatabaseReadsAsAbsent) {
    std::filesystem::create_directories(UserFile());
    ResetConnections();
    Key key;
    EXPECT_EQ(Key::Open(Root::CurrentUser, "Data", KEY_READ, key), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(LastStoreProblem().empty());
    EXPECT_FALSE(RootWritable(Root::CurrentUser));
    EXPECT_EQ(Key::Create(Root::CurrentUser, "Data", KEY_ALL_ACCESS, key), ERROR_ACCESS_DENIED);
}

} // namespace
} // namespace ob::registry::test
