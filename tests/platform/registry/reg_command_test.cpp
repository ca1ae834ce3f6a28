#include "host/reg_command.h"

#include "registry_fixture.h"

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace ob::registry::test {
namespace {

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs `obrenta reg WORDS...`.
Outcome Reg(std::vector<std::string> words) {
    words.insert(words.begin(), "reg");
    std::vector<char*> argv;
    for (std::string& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);
    std::ostringstream out;
    std::ostringstream err;
    Outcome outcome;
    outcome.status = ob::host::RunRegCommand(static_cast<int>(words.size()), argv.data(), out, err);
    outcome.out = out.str();
    outcome.err = err.str();
    return outcome;
}

const std::string kCommunication = "HKLM\\Software\\Varndel Software\\Obrenta\\Communication";

using RegCommand = RegistryTest;

TEST_F(RegCommand, AddThenQueryPrintsNameEqualsData) {
    Outcome added = Reg({"add", kCommunication, "cs_port", "1229"});
    ASSERT_EQ(added.status, 0) << added.err;
    EXPECT_EQ(added.out, "");
    ASSERT_EQ(Reg({"add", kCommunication, "cs_admin_group", "obrenta admins"}).status, 0);
    EXPECT_EQ(
        Read(Root::LocalMachine, "software\\varndel software\\obrenta\\communication", "CS_PORT"),
        "1229");

    Outcome all = Reg({"query", kCommunication});
    ASSERT_EQ(all.status, 0) << all.err;
    EXPECT_EQ(all.out, "cs_port = 1229\ncs_admin_group = obrenta admins\n");
    EXPECT_EQ(all.err, "");

    // One value, asked for in other letters, printed as stored; the long root
    // name in any case is the same root.
    Outcome one = Reg({"query",
                       "hkey_local_machine\\SOFTWARE\\Varndel Software\\obrenta\\"
                       "communication",
                       "CS_PORT"});
    ASSERT_EQ(one.status, 0) << one.err;
    EXPECT_EQ(one.out, "cs_port = 1229\n");

    // Add replaces.
    ASSERT_EQ(Reg({"add", kCommunication, "CS_Port", "0"}).status, 0);
    EXPECT_EQ(Reg({"query", kCommunication, "cs_port"}).out, "cs_port = 0\n");
}

TEST_F(RegCommand, DefaultValueAndEmptyKeys) {
    ASSERT_EQ(Reg({"add", "HKCR\\.job", "", "Obrenta.Job"}).status, 0);
    EXPECT_EQ(Reg({"query", "HKCR\\.job"}).out, "(Default) = Obrenta.Job\n");
    EXPECT_EQ(Read(Root::LocalMachine, "Software\\Classes\\.job", ""), "Obrenta.Job");

    // A key without values prints nothing and succeeds, as does a root.
    ASSERT_EQ(Reg({"add", "HKCU\\Empty\\Child", "v", "1"}).status, 0);
    Outcome empty = Reg({"query", "HKCU\\Empty"});
    EXPECT_EQ(empty.status, 0);
    EXPECT_EQ(empty.out, "");
    EXPECT_EQ(Reg({"query", "HKEY_CURRENT_USER"}).status, 0);
}

TEST_F(RegCommand, MissingKeyOrValueFailsWithAMessage) {
    Outcome noKey = Reg({"query", "HKCU\\Nothing\\Here"});
    EXPECT_EQ(noKey.status, 1);
    EXPECT_EQ(noKey.out, "");
    EXPECT_NE(noKey.err.find("HKCU\\Nothing\\Here does not exist"), std::string::npos) << noKey.err;

    ASSERT_EQ(Reg({"add", "HKCU\\Section", "present", "1"}).status, 0);
    Outcome noValue = Reg({"query", "HKCU\\Section", "absent"});
    EXPECT_EQ(noValue.status, 1);
    EXPECT_EQ(noValue.out, "");
    EXPECT_NE(noValue.err.find("the value absent does not exist"), std::string::npos)
        << noValue.err;

    EXPECT_EQ(Reg({"delete", "HKCU\\Section", "absent"}).status, 1);
    EXPECT_EQ(Reg({"delete", "HKCU\\Nothing"}).status, 1);
    EXPECT_EQ(Reg({"delete", "HKCU\\Nothing", "v"}).status, 1);
}

TEST_F(RegCommand, DeleteRemovesAValueOrAWholeKey) {
    ASSERT_EQ(Reg({"add", "HKCU\\Top\\Mid\\Leaf", "deep", "1"}).status, 0);
    ASSERT_EQ(Reg({"add", "HKCU\\Top\\Mid", "a", "1"}).status, 0);
    ASSERT_EQ(Reg({"add", "HKCU\\Top\\Mid", "b", "2"}).status, 0);
    ASSERT_EQ(Reg({"add", "HKCU\\Top", "keep", "3"}).status, 0);

    ASSERT_EQ(Reg({"delete", "HKCU\\Top\\Mid", "A"}).status, 0);
    EXPECT_EQ(Reg({"query", "HKCU\\Top\\Mid"}).out, "b = 2\n");

    Outcome deleted = Reg({"delete", "hkcu\\top\\mid\\"});
    ASSERT_EQ(deleted.status, 0) << deleted.err;
    EXPECT_FALSE(Exists(Root::CurrentUser, "Top\\Mid"));
    EXPECT_FALSE(Exists(Root::CurrentUser, "Top\\Mid\\Leaf"));
    EXPECT_EQ(Reg({"query", "HKCU\\Top"}).out, "keep = 3\n");

    Outcome root = Reg({"delete", "HKCU"});
    EXPECT_EQ(root.status, 1);
    EXPECT_NE(root.err.find("root key"), std::string::npos) << root.err;
    EXPECT_TRUE(Exists(Root::CurrentUser, "Top"));
}

TEST_F(RegCommand, BadUsageExitsWithTwoAndAUsageLine) {
    const std::vector<std::vector<std::string>> bad = {
        {},
        {"query"},
        {"list", "HKCU\\X"},
        {"add", "HKCU\\X", "name"},
        {"add", "HKCU\\X", "name", "data", "extra"},
        {"query", "HKCU\\X", "name", "extra"},
        {"delete"},
        {"query", "HKXX\\Software"},
        {"add", "Software\\X", "n", "d"},
        {"query", "\\HKLM"},
    };
    for (const auto& words : bad) {
        Outcome outcome = Reg(words);
        EXPECT_EQ(outcome.status, 2) << testing::PrintToString(words);
        EXPECT_NE(outcome.err.find("usage: obrenta reg"), std::string::npos)
            << testing::PrintToString(words);
        EXPECT_EQ(outcome.out, "");
    }
    EXPECT_FALSE(std::filesystem::exists(MachineFile()));
}

TEST_F(RegCommand, ReadOnlyMachineStoreRefusesChanges) {
    ASSERT_EQ(Reg({"add", kCommunication, "cs_port", "1229"}).status, 0);
    ob::env::Set("OBRENTA_MACHINE_READONLY", "1");

    Outcome add = Reg({"add", kCommunication, "cs_port", "1"});
    EXPECT_EQ(add.status, 1);
    EXPECT_NE(add.err.find("Access is denied."), std::string::npos) << add.err;
    EXPECT_NE(add.err.find("OBRENTA_MACHINE_READONLY=1"), std::string::npos) << add.err;
    EXPECT_EQ(Reg({"delete", kCommunication, "cs_port"}).status, 1);
    EXPECT_EQ(Reg({"delete", kCommunication}).status, 1);
    EXPECT_EQ(Reg({"add", "HKCR\\.job", "", "x"}).status, 1);

    EXPECT_EQ(Reg({"query", kCommunication}).out, "cs_port = 1229\n");
    EXPECT_EQ(Reg({"add", "HKCU\\Mine", "v", "1"}).status, 0);
}

TEST_F(RegCommand, CorruptDatabaseIsReported) {
    {
        std::ofstream garbage(MachineFile(), std::ios::binary);
        for (int i = 0; i < 4096; ++i) {
            garbage.put(static_cast<char>((i * 7919) & 0xff));
        }
    }
    ResetConnections();

    Outcome query = Reg({"query", "HKLM\\Software"});
    EXPECT_EQ(query.status, 1);
    EXPECT_NE(query.err.find("corrupt"), std::string::npos) << query.err;
    EXPECT_NE(query.err.find(MachineFile()), std::string::npos) << query.err;

    // Even where the damage reads as an empty root, it is reported.
    Outcome root = Reg({"query", "HKLM"});
    EXPECT_EQ(root.status, 0);
    EXPECT_NE(root.err.find("corrupt"), std::string::npos) << root.err;

    Outcome add = Reg({"add", "HKLM\\Software", "v", "1"});
    EXPECT_EQ(add.status, 1);
    EXPECT_NE(add.err.find("corrupt"), std::string::npos) << add.err;
}

} // namespace
} // namespace ob::registry::test
