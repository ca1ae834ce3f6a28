// Calls from several threads at once: one instance keeps the environment and the
// stored value of a variable in step; separate instances neither crash nor lose
// updates of the private profile file.
#include "store_test_support.h"

#include "platform/env/environment.h"
#include "variables/profile_file.h"

#include <atomic>
#include <thread>
#include <vector>

namespace ob::vars::test {
namespace {

constexpr int kThreads = 4;
constexpr int kRounds = 20;

TEST_F(StoreTest, OneInstanceKeepsEnvironmentAndStoreInStep) {
    const std::string shared = Var("shared");
    std::vector<std::string> own;
    for (int t = 0; t < kThreads; ++t) {
        own.push_back(Var(std::to_string(t)));
    }
    std::atomic<int> wrongReads{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < kRounds; ++round) {
                const std::string value = std::to_string(t) + ":" + std::to_string(round);
                store_.PutEnv(nullptr, shared.c_str(), value.c_str(), ENV_PERSISTENT);
                store_.PutEnv(nullptr, own[t].c_str(), value.c_str(), ENV_PERSISTENT);
                if (store_.Get(nullptr, own[t].c_str(), ENV_PERSISTENT | ENV_FORCE) != value) {
                    ++wrongReads;
                }
                char* read = store_.GetEnv(nullptr, shared.c_str(), ENV_PERSISTENT | ENV_FORCE);
                ReleaseEnvString(read);
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(wrongReads.load(), 0);
    EXPECT_EQ(env::Get(shared), Stored(Root::LocalMachine, "JR.ENVIRONMENT", shared));
}

TEST_F(StoreTest, BothLibraryInstancesServeThreadsTogether) {
    std::vector<std::string> names;
    for (int t = 0; t < kThreads; ++t) {
        names.push_back(Var(std::to_string(t)));
    }
    std::atomic<int> wrongReads{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        CVariableManager& store = (t % 2 == 0) ? MainStore() : FtpStore();
        threads.emplace_back([&, t] {
            for (int round = 0; round < kRounds; ++round) {
                const std::string value = std::to_string(round);
                store.PutEnv(nullptr, names[t].c_str(), value.c_str(), ENV_PERSISTENT);
                env::Remove(names[t]);
                if (store.Get(nullptr, names[t].c_str(), ENV_PERSISTENT) != value) {
                    ++wrongReads;
                }
                store.SetLastErrorText(value.c_str());
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    vars_.push_back("JR.LAST_ERROR");
    EXPECT_EQ(wrongReads.load(), 0);
}

TEST_F(StoreTest, ProfileFileWritersFromSeparateInstancesLoseNothing) {
    Configure({"", "Obrenta", "Obrenta", "JR.ENVIRONMENT", "JR.LAST_ERROR"});
    std::vector<std::unique_ptr<CVariableManager>> stores;
    for (int t = 0; t < kThreads; ++t) {
        stores.push_back(std::make_unique<CVariableManager>());
    }
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < kRounds; ++round) {
                const std::string entry = "E" + std::to_string(t) + "_" + std::to_string(round);
                stores[t]->WriteProfileString("S", entry.c_str(), "v");
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    const ProfileFile file(PrivateProfilePath("Obrenta"));
    int found = 0;
    for (int t = 0; t < kThreads; ++t) {
        for (int round = 0; round < kRounds; ++round) {
            const std::string entry = "E" + std::to_string(t) + "_" + std::to_string(round);
            found += file.Read("S", entry, "") == "v" ? 1 : 0;
        }
    }
    EXPECT_EQ(found, kThreads * kRounds);
}

} // namespace
} // namespace ob::vars::test
