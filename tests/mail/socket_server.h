// Test support: a socket listening on 127.0.0.1 that runs `serve` on a thread for the
// first connection it accepts, or never accepts (a server that stalls) when `serve`
// is empty. The listener closes when the object goes.
#pragma once

#include <arpa/inet.h>
#include <functional>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace ob::test {

class SocketServer {
public:
    explicit SocketServer(std::function<void(int)> serve = {}) {
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(fd_, 4);
        socklen_t length = sizeof address;
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        if (serve) {
            thread_ = std::thread([this, serve] {
                const int client = ::accept(fd_, nullptr, nullptr);
                if (client >= 0) {
                    serve(client);
                    ::close(client);
                }
            });
        }
    }
    ~SocketServer() {
        ::shutdown(fd_, SHUT_RDWR);
        Join();
        ::close(fd_);
    }
    SocketServer(const SocketServer&) = delete;
    SocketServer& operator=(const SocketServer&) = delete;

    int Port() const { return port_; }
    /// Waits until `serve` has returned.
    void Join() {
        if (thread_.joinable()) {
            thread_.join();
        }
    }

private:
    int fd_ = -1;
    int port_ = 0;
    std::thread thread_;
};

} // namespace ob::test
