#include "console_client.h"

#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace ob::test {

using Clock = std::chrono::steady_clock;

std::string LocalHostName() {
    char name[256] = {};
    ::gethostname(name, sizeof name - 1);
    return std::string(name).substr(0, 128);
}

std::string HostPrompt() {
    return "OB:" + LocalHostName() + "> ";
}

ConsoleClient::ConsoleClient(std::uint16_t port, Pump pump) : pump_(std::move(pump)) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const std::string name = LocalHostName();
    if (::getaddrinfo(name.c_str(), nullptr, &hints, &found) != 0 || found == nullptr) {
        return;
    }
    sockaddr_in address = *reinterpret_cast<sockaddr_in*>(found->ai_addr);
    ::freeaddrinfo(found);
    address.sin_port = htons(port);
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd_ >= 0 && ::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

ConsoleClient::~ConsoleClient() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

bool ConsoleClient::Send(const std::string& bytes) {
    std::size_t done = 0;
    while (fd_ >= 0 && done < bytes.size()) {
        const ssize_t n = ::send(fd_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return fd_ >= 0;
}

bool ConsoleClient::Fill(std::chrono::milliseconds wait) {
    if (pump_) {
        pump_();
    }
    if (fd_ < 0 || closed_) {
        return false;
    }
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, static_cast<int>(wait.count())) > 0) {
        char chunk[4096];
        const ssize_t n = ::recv(fd_, chunk, sizeof chunk, 0);
        if (n <= 0) {
            closed_ = true;
            return false;
        }
        buffer_.append(chunk, static_cast<std::size_t>(n));
    }
    return true;
}

std::string ConsoleClient::Read(std::size_t size, std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    while (buffer_.size() < size && Clock::now() < deadline) {
        if (!Fill(std::chrono::milliseconds(10))) {
            break;
        }
    }
    std::string out = buffer_.substr(0, size);
    buffer_.erase(0, out.size());
    return out;
}

std::string ConsoleClient::ReadUntil(const std::string& text, std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        const auto at = buffer_.find(text);
        if (at != std::string::npos) {
            std::string out = buffer_.substr(0, at + text.size());
            buffer_.erase(0, out.size());
            return out;
        }
        if (Clock::now() >= deadline || !Fill(std::chrono::milliseconds(10))) {
            return {};
        }
    }
}

std::string ConsoleClient::ReadFor(std::chrono::milliseconds duration) {
    const auto deadline = Clock::now() + duration;
    while (Clock::now() < deadline && Fill(std::chrono::milliseconds(10))) {
    }
    std::string out;
    out.swap(buffer_);
    return out;
}

bool ConsoleClient::WaitClosed(std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    while (Clock::now() < deadline) {
        if (!Fill(std::chrono::milliseconds(10))) {
            return closed_;
        }
    }
    return false;
}

bool ConsoleClient::Login(const std::string& user, const std::string& password) {
    return !ReadUntil("Username: ").empty() && Send(user + "\r\n") &&
           !ReadUntil("Password: ").empty() && Send(password + "\r\n") &&
           !ReadUntil("+OK\r\n" + HostPrompt(), std::chrono::seconds(20)).empty();
}

} // namespace ob::test
