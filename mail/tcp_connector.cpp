#include "mail/tcp_connector.h"

#include "platform/error/win_error.h"

#include <cerrno>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

namespace ob::mail {
namespace {

std::uint32_t ResolverError(int error) {
    switch (error) {
    case EAI_AGAIN:
        return 11002;
    case EAI_FAIL:
        return 11003;
    case EAI_NODATA:
        return 11004;
    default:
        return 11001;
    }
}

} // namespace

TcpConnector::~TcpConnector() {
    if (addresses_ != nullptr) {
        ::freeaddrinfo(addresses_);
    }
}

Code TcpConnector::Resolve(const std::string& host, std::uint16_t port) {
    if (addresses_ != nullptr) {
        ::freeaddrinfo(addresses_);
        addresses_ = next_ = nullptr;
    }
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_ADDRCONFIG;
    const std::string service = std::to_string(port);
    const int error = ::getaddrinfo(host.c_str(), service.c_str(), &hints, &addresses_);
    if (error != 0) {
        addresses_ = nullptr;
        socketError_ = ResolverError(error);
        return Code::ServerNotFound;
    }
    next_ = addresses_;
    return Code::Ok;
}

Code TcpConnector::Start() {
    while (next_ != nullptr) {
        const addrinfo* address = next_;
        next_ = next_->ai_next;
        fd_ = UniqueFd(::socket(address->ai_family,
                                address->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                                address->ai_protocol));
        if (!fd_.Valid()) {
            socketError_ = error::SocketFromErrno(errno);
            return Code::CannotCreateSocket;
        }
        // Commands are short lines answered one by one: send each at once.
        const int on = 1;
        ::setsockopt(fd_.Get(), IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        if (::connect(fd_.Get(), address->ai_addr, address->ai_addrlen) == 0) {
            return Code::Ok;
        }
        if (errno == EINPROGRESS) {
            return FromWsa(10036);
        }
        socketError_ = error::SocketFromErrno(errno);
        fd_.Close();
    }
    return Code::ConnectFailed;
}

Code TcpConnector::Check() {
    int error = 0;
    socklen_t length = sizeof error;
    if (::getsockopt(fd_.Get(), SOL_SOCKET, SO_ERROR, &error, &length) != 0) {
        error = errno;
    }
    if (error == 0) {
        return Code::Ok;
    }
    if (error == EINPROGRESS) {
        return FromWsa(10036);
    }
    socketError_ = error::SocketFromErrno(error);
    fd_.Close();
    return Start();
}

} // namespace ob::mail
