// Host endpoints: a listener of the test's own served on a thread, and the calling
// side that an installer uses.

#include "platform/control/host_endpoint.h"
#include "support/scratch.h"
#include "support/served_endpoint.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>

namespace ob::control {
namespace {

using namespace std::chrono_literals;

// Sends raw bytes to an endpoint and returns the answer line.
std::string RawExchange(const std::string& path, const std::string& bytes) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    std::string answer;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
        ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        char buffer[64];
        ssize_t got;
        while ((got = ::recv(fd, buffer, sizeof buffer, 0)) > 0) {
            answer.append(buffer, static_cast<std::size_t>(got));
        }
    }
    ::close(fd);
    return answer;
}

TEST(HostEndpoint, RequestsReachTheHandlerAndItsAnswerComesBack) {
    test::ScratchDir dir;
    const std::string folder = dir / "run";
    std::atomic<int> calls{0};
    test::ServedEndpoint host(
        folder,
        [&](std::string_view message, std::uint64_t wParam, std::int64_t lParam) -> std::int64_t {
            ++calls;
            return message == "WM_SHUTDOWN" && wParam == 204 ? 204 : lParam;
        });
    EXPECT_EQ(host.Path(), folder + "/host-" + std::to_string(::getpid()) + ".sock");
    EXPECT_EQ(ListEndpoints(folder), std::vector<std::string>{host.Path()});

    struct Case {
        const char* message;
        std::uint64_t wParam;
        std::int64_t lParam;
        std::int64_t answer;
    };
    for (const Case& c : {Case{"WM_SHUTDOWN", 204, 0, 204}, Case{"WM_SHUTDOWN", 1, 7, 7},
                          Case{"OTHER", 204, -3, -3}}) {
        std::int64_t answer = 99;
        EXPECT_EQ(SendEndpointRequest(host.Path(), c.message, c.wParam, c.lParam, 2s, answer),
                  RequestOutcome::Answered);
        EXPECT_EQ(answer, c.answer) << c.message << " " << c.wParam;
    }
    EXPECT_EQ(calls.load(), 3);
    for (const char* malformed : {"garbage\n", "WM_SHUTDOWN x 0\n", " 204 0\n", "A 1 2 3\n"}) {
        EXPECT_EQ(RawExchange(host.Path(), malformed), "0\n") << malformed;
    }
    EXPECT_EQ(calls.load(), 3) << "malformed requests never reach the handler";
    EXPECT_TRUE(EndpointAlive(host.Path()));
}

TEST(HostEndpoint, GoneStaleAndBusyEndpointsAreToldApart) {
    test::ScratchDir dir;
    const std::string folder = dir / "run";
    std::string problem;
    ASSERT_TRUE(PrepareEndpointDirectory(folder, problem)) << problem;
    std::int64_t answer = 0;

    // A socket file whose host ended without removing it.
    const std::string stale = folder + "/host-1.sock";
    {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, stale.c_str(), sizeof address.sun_path - 1);
        ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        ::close(fd);
    }
    std::ofstream(folder + "/notes.txt") << "not an endpoint";
    EXPECT_EQ(ListEndpoints(folder), std::vector<std::string>{stale});
    EXPECT_FALSE(EndpointAlive(stale));
    EXPECT_EQ(SendEndpointRequest(stale, "WM_SHUTDOWN", 204, 0, 1s, answer), RequestOutcome::Gone);
    EXPECT_FALSE(std::filesystem::exists(stale)) << "the stale socket file is removed";
    EXPECT_EQ(SendEndpointRequest(stale, "WM_SHUTDOWN", 204, 0, 1s, answer), RequestOutcome::Gone);

    // A host that listens but does not serve (busy shutting down) is there, silent.
    EndpointListener busy;
    ASSERT_TRUE(busy.Open(folder, problem)) << problem;
    EXPECT_EQ(SendEndpointRequest(busy.Path(), "WM_SHUTDOWN", 204, 0, 200ms, answer),
              RequestOutcome::NoAnswer);
    for (int i = 0; i < 20; ++i) {
        EXPECT_TRUE(EndpointAlive(busy.Path())) << "also with a full backlog, check " << i;
    }
    const std::string path = busy.Path();
    busy.Close();
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_FALSE(EndpointAlive(path));
}

TEST(HostEndpoint, OnlyAPrivateFolderOfThisUserIsUsed) {
    test::ScratchDir dir;
    std::string problem;
    const std::string made = dir / "made";
    ASSERT_TRUE(PrepareEndpointDirectory(made, problem)) << problem;
    struct stat info {};
    ASSERT_EQ(::stat(made.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);

    const std::string open = dir / "open";
    ::mkdir(open.c_str(), 0755);
    const std::string link = dir / "link";
    ::symlink(made.c_str(), link.c_str());
    for (const std::string& refused : {open, link, std::string()}) {
        EXPECT_FALSE(PrepareEndpointDirectory(refused, problem)) << refused;
        EndpointListener listener;
        EXPECT_FALSE(listener.Open(refused, problem)) << refused;
        EXPECT_FALSE(problem.empty());
    }
}

} // namespace
} // namespace ob::control
