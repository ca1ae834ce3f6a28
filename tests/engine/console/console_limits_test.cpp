// The console under a careless or hostile client: connections that never log in
// or sit idle lose their slots, and clients that flood commands without reading
// are dropped with their memory given back.

#include "console_fixture.h"
#include "platform/registry/registry.h"
#include "support/resident_memory.h"
#include "support/sanitizer_build.h"

#include <string>
#include <vector>

namespace ob::test {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;

class ConsoleLimitsTest : public ConsoleTest {
protected:
    // Console settings are read at every connection, environment first; a value read
    // from the store enters the environment, so each test starts without one.
    static void SetConsoleSetting(const char* name, const char* value) {
        env::Remove(name);
        registry::Key key;
        ASSERT_EQ(registry::Key::Create(registry::Root::LocalMachine,
                                        "Software\\Varndel Software\\Obrenta\\Communication",
                                        registry::KEY_READ_WRITE, key),
                  0);
        key.SetValue(name, value);
    }
    void TearDown() override {
        env::Remove("cs_login_timeout");
        env::Remove("cs_idle_timeout");
    }

    std::uint32_t Connections() { return host_.Record().console.ConnectionCount(); }
};

TEST_F(ConsoleLimitsTest, SilentClientsLoseTheirSlotsAtTheLoginTimeout) {
    SetConsoleSetting("cs_login_timeout", "2");
    std::vector<std::unique_ptr<ConsoleClient>> clients;
    for (int i = 0; i < 4; ++i) {
        clients.push_back(Connect());
        ASSERT_FALSE(clients.back()->ReadUntil("Username: ").empty()) << "client " << i;
    }
    // A user name alone does not keep the slot either.
    ASSERT_TRUE(clients[0]->Send("admin\r\n"));
    auto fifth = Connect();
    EXPECT_TRUE(fifth->WaitClosed(seconds(5)));

    for (auto& client : clients) {
        EXPECT_NE(client->ReadUntil("Login timed out after 2 seconds.\r\n"), "");
        EXPECT_TRUE(client->WaitClosed(seconds(5)));
    }
    EXPECT_TRUE(WaitFor([&] { return Connections() == 0; }));
    auto next = Connect();
    EXPECT_TRUE(next->Login("admin", "secret"));
}

TEST_F(ConsoleLimitsTest, LoggedInClientIsClosedOnlyWhenIdle) {
    SetConsoleSetting("cs_login_timeout", "3");
    SetConsoleSetting("cs_idle_timeout", "2");
    auto busy = Connect();
    ASSERT_TRUE(busy->Login("admin", "secret"));
    auto idle = Connect();
    ASSERT_TRUE(idle->Login("admin", "secret"));
    // Past both time-outs, the client that keeps talking is still served.
    for (int i = 0; i < 10; ++i) {
        ASSERT_TRUE(busy->Send("hello\r\n"));
        ASSERT_NE(busy->ReadUntil("Hello\r\n+OK\r\n" + HostPrompt()), "") << i;
        host_.PumpFor(milliseconds(500));
    }
    EXPECT_NE(idle->ReadUntil("Idle for 2 seconds: connection closed.\r\n"), "");
    EXPECT_TRUE(idle->WaitClosed());
    EXPECT_EQ(Connections(), 1u);
}

TEST_F(ConsoleLimitsTest, ZeroTurnsTheLoginTimeoutOff) {
    SetConsoleSetting("cs_login_timeout", "0");
    auto client = Connect();
    ASSERT_FALSE(client->ReadUntil("Username: ").empty());
    host_.PumpFor(milliseconds(1500));
    EXPECT_EQ(Connections(), 1u);
}

// Four logged-in clients ask for help again and again and never read: each is
// dropped when its queue's memory passes the cap, and once they are gone the
// engine's memory comes back near where it was.
TEST_F(ConsoleLimitsTest, FloodingClientsAreDroppedAndTheirMemoryReturns) {
    std::vector<std::unique_ptr<ConsoleClient>> clients;
    for (int i = 0; i < 4; ++i) {
        clients.push_back(Connect());
        ASSERT_TRUE(clients.back()->Login("admin", "secret")) << "client " << i;
    }
    const long before = ResidentKiB();
    std::string flood;
    for (int i = 0; i < 40000; ++i) {
        flood += "help\r\n";
    }
    for (auto& client : clients) {
        ASSERT_TRUE(client->Send(flood));
    }
    long peak = before;
    EXPECT_TRUE(WaitFor(
        [&] {
            peak = std::max(peak, ResidentKiB());
            return Connections() == 0;
        },
        seconds(300)));
    const long after = ResidentKiB();
    RecordProperty("rss_before_kib", std::to_string(before));
    RecordProperty("rss_peak_kib", std::to_string(peak));
    RecordProperty("rss_after_kib", std::to_string(after));
#if !OB_TEST_ASAN
    // Loose bounds (the sanitizers keep freed memory on purpose): four queues
    // of at most 16 MiB each, and most of it returned.
    EXPECT_LT(peak - before, 4 * 24 * 1024) << before << " " << peak;
    EXPECT_LT(after - before, 16 * 1024) << before << " " << after;
#endif
}

} // namespace
} // namespace ob::test
