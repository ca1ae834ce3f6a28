#include "platform/msg/message.h"
#include "platform/msg/registered_message.h"

#include <gtest/gtest.h>

#include <cctype>
#include <dlfcn.h>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

// Linked with the test.
extern "C" std::uint32_t obtest_register_in_a(const char* name);

namespace ob::msg {
namespace {

using RegisterFn = std::uint32_t (*)(const char*);

struct LibraryCloser {
    void operator()(void* handle) const { ::dlclose(handle); }
};

TEST(RegisteredMessage, SameIdInEveryLibraryOfTheProcess) {
    // The second library is loaded at run time, as the automation library is.
    std::unique_ptr<void, LibraryCloser> libraryB(::dlopen(OB_REGMSG_LIBRARY_B, RTLD_NOW));
    ASSERT_NE(libraryB, nullptr) << ::dlerror();
    auto registerInB =
        reinterpret_cast<RegisterFn>(::dlsym(libraryB.get(), "obtest_register_in_b"));
    ASSERT_NE(registerInB, nullptr);

    const std::uint32_t fromA = obtest_register_in_a("WM_OBTEST_SHARED");
    EXPECT_GE(fromA, WM_REGISTERED_FIRST);
    EXPECT_LE(fromA, WM_REGISTERED_LAST);
    EXPECT_EQ(registerInB("WM_OBTEST_SHARED"), fromA);
    EXPECT_EQ(RegisterWindowMessage("WM_OBTEST_SHARED"), fromA);
    EXPECT_EQ(registerInB("wm_obtest_shared"), fromA) << "names ignore case";

    const std::uint32_t other = RegisterWindowMessage("WM_OBTEST_OTHER");
    EXPECT_NE(other, fromA);
    EXPECT_EQ(obtest_register_in_a("Wm_ObTest_Other"), other);
    EXPECT_EQ(registerInB("WM_OBTEST_OTHER"), other);
}

TEST(RegisteredMessage, EmptyNameHasNoId) {
    EXPECT_EQ(RegisterWindowMessage(""), 0u);
}

TEST(RegisteredMessage, ConcurrentRegistrationsAgree) {
    constexpr int kThreads = 4;
    constexpr int kNames = 200;
    std::vector<std::vector<std::uint32_t>> ids(kThreads, std::vector<std::uint32_t>(kNames));
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&ids, t] {
            for (int n = 0; n < kNames; ++n) {
                // Even threads spell the names in upper case.
                std::string name = "obtest_concurrent_" + std::to_string(n);
                if (t % 2 == 0) {
                    for (char& c : name) {
                        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
                    }
                }
                ids[t][n] = RegisterWindowMessage(name);
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    std::set<std::uint32_t> distinct;
    for (int n = 0; n < kNames; ++n) {
        for (int t = 1; t < kThreads; ++t) {
            EXPECT_EQ(ids[t][n], ids[0][n]) << "name " << n;
        }
        EXPECT_NE(ids[0][n], 0u);
        distinct.insert(ids[0][n]);
    }
    EXPECT_EQ(distinct.size(), static_cast<std::size_t>(kNames));
}

} // namespace
} // namespace ob::msg
