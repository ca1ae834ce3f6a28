#include "registry_fixture.h"

#include <sqlite3.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace ob::registry::test {
namespace {

std::string Payload(int round, int i) {
    // Large enough to span several database pages, different for every write.
    return std::to_string(round) + ":" + std::to_string(i) + ":" +
           std::string(3000 + i % 500, static_cast<char>('a' + i % 26));
}

std::string KeyOf(int round, int i) {
    return "Crash\\Round" + std::to_string(round) + "\\Batch" + std::to_string(i / 25);
}

std::string ValueOf(int i) {
    return "v" + std::to_string(i);
}

std::string IntegrityCheck(const std::string& file) {
    sqlite3* db = nullptr;
    std::string result = "cannot open";
    if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK) {
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &stmt, nullptr) == SQLITE_OK &&
            sqlite3_step(stmt) == SQLITE_ROW) {
            result = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
        } else {
            result = sqlite3_errmsg(db);
        }
        sqlite3_finalize(stmt);
    }
    sqlite3_close(db);
    return result;
}

// Writes values in a loop until killed; reports each write that returned
// success by its number on `report`.
[[noreturn]] void WriteUntilKilled(int round, int report) {
    for (int i = 0;; ++i) {
        Key key;
        if (Key::Create(Root::CurrentUser, KeyOf(round, i), KEY_ALL_ACCESS, key) == ERROR_SUCCESS &&
            key.SetValue(ValueOf(i), Payload(round, i)) == ERROR_SUCCESS) {
            if (::write(report, &i, sizeof i) != static_cast<ssize_t>(sizeof i)) {
                ::_exit(3);
            }
        }
    }
}

using RegistryCrash = RegistryTest;

TEST_F(RegistryCrash, WriterKilledMidLoopLosesNoCommittedValue) {
    std::mt19937 random(1234);
    Put(Root::CurrentUser, "Before", "v", "kept"); // the parent holds a connection
    for (int round = 0; round < 5; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        int pipeFds[2];
        ASSERT_EQ(::pipe2(pipeFds, O_CLOEXEC), 0);
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            ::close(pipeFds[0]);
            WriteUntilKilled(round, pipeFds[1]);
        }
        ::close(pipeFds[1]);
        std::this_thread::sleep_for(std::chrono::milliseconds(150 + random() % 300));
        ASSERT_EQ(::kill(pid, SIGKILL), 0);
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "status " << status;

        std::vector<int> committed;
        int value = 0;
        while (::read(pipeFds[0], &value, sizeof value) == static_cast<ssize_t>(sizeof value)) {
            committed.push_back(value);
        }
        ::close(pipeFds[0]);
        ASSERT_FALSE(committed.empty()) << "the writer made no progress";

        // Reopened (a journal left behind is rolled back on the way), every value
        // reported as written is there, whole.
        ResetConnections();
        for (int i : committed) {
            ASSERT_EQ(Read(Root::CurrentUser, KeyOf(round, i), ValueOf(i)), Payload(round, i))
                << "value " << i;
        }
        // The write in flight is either all there or not at all.
        const int next = committed.back() + 1;
        const std::string inFlight = Read(Root::CurrentUser, KeyOf(round, next), ValueOf(next));
        EXPECT_TRUE(inFlight == Payload(round, next) || inFlight.rfind("<error", 0) == 0);
        EXPECT_EQ(IntegrityCheck(UserFile()), "ok");
        EXPECT_TRUE(LastStoreProblem().empty()) << LastStoreProblem();
    }
    EXPECT_EQ(Read(Root::CurrentUser, "Before", "v"), "kept");
}

TEST_F(RegistryCrash, SeveralProcessesWriteOneStoreAtOnce) {
    constexpr int kChildren = 3;
    constexpr int kWrites = 40;
    std::vector<pid_t> children;
    for (int c = 0; c < kChildren; ++c) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            int failures = 0;
            for (int i = 0; i < kWrites; ++i) {
                Key key;
                if (Key::Create(Root::LocalMachine, "Shared\\Writer" + std::to_string(c),
                                KEY_ALL_ACCESS, key) != ERROR_SUCCESS ||
                    key.SetValue("v" + std::to_string(i), std::to_string(c * 1000 + i)) !=
                        ERROR_SUCCESS) {
                    ++failures;
                }
                // Readers in between: the other processes' locks must be waited out.
                std::vector<std::string> names;
                Key shared;
                if (Key::Open(Root::LocalMachine, "Shared", KEY_READ, shared) == ERROR_SUCCESS &&
                    shared.EnumSubKeys(names) != ERROR_SUCCESS) {
                    ++failures;
                }
            }
            ::_exit(failures == 0 && LastStoreProblem().empty() ? 0 : 1);
        }
        children.push_back(pid);
    }
    // The parent writes too.
    for (int i = 0; i < kWrites; ++i) {
        Put(Root::LocalMachine, "Shared\\Parent", "v" + std::to_string(i), std::to_string(i));
    }
    for (pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
    }
    for (int c = 0; c < kChildren; ++c) {
        Key key;
        ASSERT_EQ(
            Key::Open(Root::LocalMachine, "Shared\\Writer" + std::to_string(c), KEY_READ, key),
            ERROR_SUCCESS);
        std::vector<std::string> names;
        ASSERT_EQ(key.EnumValueNames(names), ERROR_SUCCESS);
        EXPECT_EQ(names.size(), static_cast<std::size_t>(kWrites));
        EXPECT_EQ(Read(Root::LocalMachine, "Shared\\Writer" + std::to_string(c), "v39"),
                  std::to_string(c * 1000 + 39));
    }
    EXPECT_EQ(IntegrityCheck(MachineFile()), "ok");
}

TEST_F(RegistryCrash, SeveralThreadsShareTheStores) {
    constexpr int kThreads = 4;
    constexpr int kWrites = 30;
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, &failures] {
            const Root root = t % 2 == 0 ? Root::LocalMachine : Root::CurrentUser;
            const std::string path = "Threads\\T" + std::to_string(t);
            for (int i = 0; i < kWrites; ++i) {
                Key key;
                if (Key::Create(root, path, KEY_ALL_ACCESS, key) != ERROR_SUCCESS ||
                    key.SetValue("v" + std::to_string(i), std::to_string(i)) != ERROR_SUCCESS) {
                    ++failures;
                    continue;
                }
                std::string data;
                if (key.QueryValue("v" + std::to_string(i), data) != ERROR_SUCCESS ||
                    data != std::to_string(i)) {
                    ++failures;
                }
                Key parent;
                std::vector<std::string> names;
                if (Key::Open(root, "Threads", KEY_READ, parent) != ERROR_SUCCESS ||
                    parent.EnumSubKeys(names) != ERROR_SUCCESS || names.empty()) {
                    ++failures;
                }
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(failures.load(), 0);
    for (int t = 0; t < kThreads; ++t) {
        const Root root = t % 2 == 0 ? Root::LocalMachine : Root::CurrentUser;
        Key key;
        ASSERT_EQ(Key::Open(root, "Threads\\T" + std::to_string(t), KEY_READ, key), ERROR_SUCCESS);
        std::vector<std::string> names;
        ASSERT_EQ(key.EnumValueNames(names), ERROR_SUCCESS);
        EXPECT_EQ(names.size(), static_cast<std::size_t>(kWrites));
    }
}

TEST_F(RegistryCrash, StoreUsedWhileHoldingTheEnvironmentLockDoesNotDeadlock) {
    // The variable store holds the environment lock around its use of the
    // settings store; the settings store reads its directories from the
    // environment. Both at once must not wait on each other.
    std::atomic<int> finished{0};
    std::thread holder([&finished] {
        for (int i = 0; i < 15; ++i) {
            std::lock_guard hold(ob::env::Lock());
            Key key;
            if (Key::Create(Root::CurrentUser, "Locks", KEY_ALL_ACCESS, key) == ERROR_SUCCESS) {
                key.SetValue("v" + std::to_string(i), "x");
            }
        }
        ++finished;
    });
    std::thread reader([&finished] {
        for (int i = 0; i < 300; ++i) {
            Key key;
            Key::Open(Root::CurrentUser, "Locks", KEY_READ, key);
        }
        ++finished;
    });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (finished.load() < 2 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (finished.load() < 2) {
        ADD_FAILURE() << "deadlock between the environment lock and the store";
        std::fflush(nullptr);
        ::_exit(1); // the threads cannot be joined
    }
    holder.join();
    reader.join();
}

} // namespace
} // namespace ob::registry::test
