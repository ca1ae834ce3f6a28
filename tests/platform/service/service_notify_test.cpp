// Service manager notifications, received by a datagram socket of the test's own
// standing in for systemd's.

#include "platform/env/environment.h"
#include "platform/lifetime/unique_fd.h"
#include "platform/service/service_notify.h"
#include "support/scratch.h"

#include <gtest/gtest.h>

#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>

namespace ob::service {
namespace {

// A bound datagram socket; `name` is a path, or an abstract name after "@".
UniqueFd BindManager(const std::string& name) {
    UniqueFd fd(::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, name.data(), name.size());
    if (name[0] == '@') {
        address.sun_path[0] = '\0';
    }
    const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + name.size());
    EXPECT_EQ(::bind(fd.Get(), reinterpret_cast<sockaddr*>(&address), length), 0) << name;
    return fd;
}

std::string Receive(int fd) {
    pollfd ready{fd, POLLIN, 0};
    if (::poll(&ready, 1, 2000) != 1) {
        return "(nothing)";
    }
    char buffer[512];
    const ssize_t got = ::recv(fd, buffer, sizeof buffer, 0);
    return got < 0 ? "(error)" : std::string(buffer, static_cast<std::size_t>(got));
}

class ServiceNotify : public ::testing::Test {
protected:
    void TearDown() override { env::Remove("NOTIFY_SOCKET"); }
    test::ScratchDir dir_;
};

TEST_F(ServiceNotify, EachStateIsOneDatagramWithItsStatus) {
    for (const std::string& name :
         {dir_ / "notify", "@obrenta-test-" + std::to_string(::getpid())}) {
        UniqueFd manager = BindManager(name);
        env::Set("NOTIFY_SOCKET", name);
        EXPECT_EQ(NotifyServiceManager(ServiceState::Ready, "3 job files read"),
                  NotifyResult::Sent);
        EXPECT_EQ(Receive(manager.Get()), "READY=1\nSTATUS=3 job files read\n") << name;
        EXPECT_EQ(NotifyServiceManager(ServiceState::Stopping), NotifyResult::Sent);
        EXPECT_EQ(Receive(manager.Get()), "STOPPING=1\n") << name;
        NotifyServiceManager(ServiceState::Reloading, "one\nSTOPPING=1");
        const std::string reloading = Receive(manager.Get());
        EXPECT_TRUE(reloading.starts_with("RELOADING=1\nMONOTONIC_USEC=")) << reloading;
        EXPECT_TRUE(reloading.ends_with("\nSTATUS=one\n"))
            << "a line break cannot smuggle in another state: " << reloading;
    }
}

TEST_F(ServiceNotify, WithoutAManagerNothingIsSent) {
    env::Remove("NOTIFY_SOCKET");
    EXPECT_EQ(NotifyServiceManager(ServiceState::Ready), NotifyResult::NoManager);
    for (const char* broken : {"relative/path", "@", "/no/such/folder/notify"}) {
        env::Set("NOTIFY_SOCKET", broken);
        EXPECT_EQ(NotifyServiceManager(ServiceState::Ready), NotifyResult::Failed) << broken;
    }
}

} // namespace
} // namespace ob::service
