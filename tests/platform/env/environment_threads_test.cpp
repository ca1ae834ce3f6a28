#include "platform/env/environment.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cctype>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace {

std::string Upper(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return text;
}

// Writers, readers, removers and enumerators at once: no torn values, no two
// entries for one name, and compound updates under Lock() lose nothing.
TEST(EnvironmentThreads, ConcurrentReadersAndWritersKeepTheTableConsistent) {
    constexpr int kThreads = 6;
    constexpr int kRounds = 2000;
    ASSERT_TRUE(ob::env::Set("OBTEST_COUNTER", "0"));

    std::atomic<bool> failed{false};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, &failed] {
            const std::string own = "OBTEST_THREAD_" + std::to_string(t);
            // Every thread writes the shared name in its own spelling.
            const std::string shared = (t % 2 == 0) ? "obtest_shared" : "OBTEST_SHARED";
            for (int i = 0; i < kRounds; ++i) {
                const std::string value = std::to_string(t) + ":" + std::to_string(i);
                ob::env::Set(own, value);
                if (ob::env::Get(own) != value) {
                    failed = true; // only this thread writes `own`
                }
                ob::env::Set(shared, value);
                const auto seen = ob::env::Get("ObTest_Shared");
                if (seen && seen->find(':') == std::string::npos) {
                    failed = true; // a torn or foreign value
                }
                if (i % 7 == 0) {
                    ob::env::Remove(shared);
                }
                {
                    std::lock_guard hold(ob::env::Lock());
                    const int count = std::stoi(ob::env::Get("OBTEST_COUNTER").value_or("-1"));
                    ob::env::Set("OBTEST_COUNTER", std::to_string(count + 1));
                }
                if (i % 50 == 0) {
                    std::set<std::string> names;
                    for (const auto& entry : ob::env::Snapshot()) {
                        if (!names.insert(Upper(entry.first)).second) {
                            failed = true; // the same name twice
                        }
                    }
                    if (ob::env::Block().empty()) {
                        failed = true;
                    }
                }
            }
            ob::env::Remove(own);
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_FALSE(failed.load());
    EXPECT_EQ(ob::env::Get("OBTEST_COUNTER"), std::to_string(kThreads * kRounds));
    ob::env::Remove("OBTEST_COUNTER");
    ob::env::Remove("OBTEST_SHARED");
}

} // namespace
