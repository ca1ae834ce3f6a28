#include "registry_fixture.h"

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>

namespace ob::registry::test {
namespace {

using RegistryAccess = RegistryTest;

TEST_F(RegistryAccess, MachineMarkedReadOnlyRefusesWritesAndStillReads) {
    Put(Root::LocalMachine, "Software\\Obrenta", "kept", "1");
    Key openedBefore;
    ASSERT_EQ(Key::Open(Root::LocalMachine, "Software\\Obrenta", KEY_ALL_ACCESS, openedBefore),
              ERROR_SUCCESS);

    ob::env::Set("OBRENTA_MACHINE_READONLY", "1");
    EXPECT_FALSE(RootWritable(Root::LocalMachine));
    EXPECT_FALSE(RootWritable(Root::ClassesRoot));
    EXPECT_TRUE(RootWritable(Root::CurrentUser));

    Key key;
    for (std::uint32_t access :
         {KEY_SET_VALUE, KEY_CREATE_SUB_KEY, KEY_WRITE, KEY_READ_WRITE, KEY_ALL_ACCESS}) {
        EXPECT_EQ(Key::Open(Root::LocalMachine, "Software\\Obrenta", access, key),
                  ERROR_ACCESS_DENIED)
            << std::hex << access;
        EXPECT_FALSE(key.IsOpen());
    }
    EXPECT_EQ(Key::Open(Root::LocalMachine, "", KEY_WRITE, key), ERROR_ACCESS_DENIED);
    EXPECT_EQ(Key::Open(Root::ClassesRoot, "", KEY_WRITE, key), ERROR_ACCESS_DENIED);
    EXPECT_EQ(Key::Create(Root::LocalMachine, "Software\\New", KEY_READ, key), ERROR_ACCESS_DENIED);
    EXPECT_EQ(Key::Create(Root::ClassesRoot, ".new", KEY_READ, key), ERROR_ACCESS_DENIED);

    // Reading works, and an existing key "created" for reading just opens.
    EXPECT_EQ(Read(Root::LocalMachine, "software\\obrenta", "kept"), "1");
    ASSERT_EQ(Key::Create(Root::LocalMachine, "Software\\Obrenta", KEY_READ, key), ERROR_SUCCESS);

    // A key opened while the store was writable cannot write now either.
    EXPECT_EQ(openedBefore.SetValue("kept", "2"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(openedBefore.DeleteValue("kept"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(openedBefore.DeleteSubKey("Anything"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(Read(Root::LocalMachine, "Software\\Obrenta", "kept"), "1");

    // The user store is not affected.
    Put(Root::CurrentUser, "Software\\Obrenta", "mine", "yes");

    // Any other value of the variable leaves the store writable.
    ob::env::Set("OBRENTA_MACHINE_READONLY", "0");
    EXPECT_TRUE(RootWritable(Root::LocalMachine));
    EXPECT_EQ(openedBefore.SetValue("kept", "2"), ERROR_SUCCESS);
}

TEST_F(RegistryAccess, KeyOpenedForReadingCannotWrite) {
    Put(Root::CurrentUser, "Section", "v", "1");
    Key key;
    ASSERT_EQ(Key::Open(Root::CurrentUser, "Section", KEY_READ, key), ERROR_SUCCESS);
    Key child;
    EXPECT_EQ(key.SetValue("v", "2"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(key.DeleteValue("v"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(key.CreateSubKey("Child", KEY_READ, child), ERROR_ACCESS_DENIED);
    EXPECT_EQ(key.DeleteSubKey("Child"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(Read(Root::CurrentUser, "Section", "v"), "1");

    // Set-value rights alone do not create subkeys, and the reverse.
    Key setOnly;
    ASSERT_EQ(Key::Open(Root::CurrentUser, "Section", KEY_SET_VALUE, setOnly), ERROR_SUCCESS);
    EXPECT_EQ(setOnly.CreateSubKey("Child", KEY_READ, child), ERROR_ACCESS_DENIED);
    EXPECT_EQ(setOnly.SetValue("v", "3"), ERROR_SUCCESS);
    Key createOnly;
    ASSERT_EQ(Key::Open(Root::CurrentUser, "Section", KEY_CREATE_SUB_KEY, createOnly),
              ERROR_SUCCESS);
    EXPECT_EQ(createOnly.SetValue("v", "4"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(createOnly.CreateSubKey("Child", KEY_READ, child), ERROR_SUCCESS);
}

// Runs `check` in a child process as an account without rights to the machine
// store: as root (which file permissions do not stop) the child drops to
// "nobody"; otherwise it stays the current user, whom the permissions set by the
// fixture do stop. The check returns 0 when all is well, else the number of the
// step that failed.
int WithoutRights(const std::function<int()>& check) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::geteuid() == 0 &&
            (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)) {
            ::_exit(100);
        }
        ::_exit(check());
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 200;
}

class RegistryPermissions : public RegistryTest {
protected:
    void SetUp() override {
        RegistryTest::SetUp();
        Put(Root::LocalMachine, "Software\\Obrenta", "cs_port", "1229");
        ResetConnections();
        // As installed: root's files, readable by everyone. A plain user owns
        // the scratch files, so they are made read-only for the owner as well.
        const bool root = ::geteuid() == 0;
        ::chmod(dir_.Path().c_str(), 0755);
        ::chmod(MachineFile().c_str(), root ? 0644 : 0444);
        ::chmod((dir_ / "machine").c_str(), root ? 0755 : 0555);
    }
    void TearDown() override {
        ::chmod((dir_ / "machine").c_str(), 0755);
        ::chmod(MachineFile().c_str(), 0644);
        RegistryTest::TearDown();
    }
    void MakeUnreadable() { ::chmod(MachineFile().c_str(), ::geteuid() == 0 ? 0600 : 0); }
};

TEST_F(RegistryPermissions, ReadOnlyFileReadsButRefusesWrites) {
    const int failedStep = WithoutRights([] {
        if (RootWritable(Root::LocalMachine)) {
            return 1;
        }
        Key key;
        if (Key::Open(Root::LocalMachine, "Software\\Obrenta", KEY_READ, key) != ERROR_SUCCESS) {
            return 2;
        }
        std::string data;
        if (key.QueryValue("CS_PORT", data) != ERROR_SUCCESS || data != "1229") {
            return 3;
        }
        Key writable;
        if (Key::Open(Root::LocalMachine, "Software\\Obrenta", KEY_WRITE, writable) !=
            ERROR_ACCESS_DENIED) {
            return 4;
        }
        if (Key::Create(Root::LocalMachine, "Software\\New", KEY_WRITE, writable) !=
            ERROR_ACCESS_DENIED) {
            return 5;
        }
        // A handle with write rights (granted on paper) still cannot write.
        Key mask;
        if (Key::Open(Root::LocalMachine, "Software\\Obrenta", KEY_READ | KEY_SET_VALUE, mask) !=
            ERROR_ACCESS_DENIED) {
            return 6;
        }
        if (!LastStoreProblem().empty()) {
            return 7;
        }
        return 0;
    });
    EXPECT_EQ(failedStep, 0);
    EXPECT_EQ(Read(Root::LocalMachine, "Software\\Obrenta", "cs_port"), "1229");
}

TEST_F(RegistryPermissions, UnreadableFileReadsAsAbsentWithAProblem) {
    MakeUnreadable();
    const int failedStep = WithoutRights([this] {
        Key key;
        if (Key::Open(Root::LocalMachine, "Software\\Obrenta", KEY_READ, key) !=
            ERROR_FILE_NOT_FOUND) {
            return 1;
        }
        const std::string problem = LastStoreProblem();
        if (problem.find(MachineFile()) == std::string::npos ||
            problem.find("cannot be read") == std::string::npos) {
            return 2;
        }
        return 0;
    });
    EXPECT_EQ(failedStep, 0);
}

} // namespace
} // namespace ob::registry::test
