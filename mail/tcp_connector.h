// Opens a non-blocking TCP connection: resolves the server's name and tries its
// addresses in turn without ever blocking on a connect, so that the driver can
// apply its time-out. Failures keep the socket error as a Winsock number for the
// log. One caller at a time.
#pragma once

#include "mail/mail_code.h"
#include "platform/lifetime/unique_fd.h"

#include <cstdint>
#include <netdb.h>
#include <string>
#include <string_view>

namespace ob::mail {

class TcpConnector {
public:
    TcpConnector() = default;
    ~TcpConnector();
    TcpConnector(const TcpConnector&) = delete;
    TcpConnector& operator=(const TcpConnector&) = delete;

    /// Resolves the server; -46 when its name does not resolve.
    [[nodiscard]] Code Resolve(const std::string& host, std::uint16_t port);

    /// Starts connecting to the next address: 0 when connected at once, -10036
    /// (in progress) when the socket must become writable first, -18 when no socket
    /// can be made, -36 when no address is left.
    [[nodiscard]] Code Start();

    /// Called when the socket is writable: 0 when connected; when this address
    /// refused, starts the next one (-10036) or ends with -36.
    [[nodiscard]] Code Check();

    int Fd() const { return fd_.Get(); }
    /// The connected socket.
    UniqueFd Take() { return std::move(fd_); }
    /// The Winsock number of the last failure (resolver errors 11001 to 11004).
    std::uint32_t SocketError() const { return socketError_; }

private:
    addrinfo* addresses_ = nullptr;
    addrinfo* next_ = nullptr;
    UniqueFd fd_;
    std::uint32_t socketError_ = 0;
};

} // namespace ob::mail
