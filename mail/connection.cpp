#include "mail/connection.h"

#include "platform/error/win_error.h"

#include <cerrno>
#include <sys/socket.h>

namespace ob::mail {

Code Connection::StartTls(const TlsSettings& settings) {
    Code failure = Code::Ok;
    tls_ = TlsSession::Create(fd_.Get(), settings, failure);
    return tls_ ? Code::Ok : failure;
}

Code Connection::ContinueTls() {
    return tls_ ? tls_->Handshake() : Code::InvalidSocket;
}

std::string Connection::TlsFailure() const {
    return tls_ ? tls_->FailureText() : std::string("no TLS session");
}

std::int64_t Connection::Receive(char* buffer, std::size_t size) {
    if (tls_) {
        return tls_->Read(buffer, size);
    }
    wantsWrite_ = false;
    for (;;) {
        const ssize_t received = ::recv(fd_.Get(), buffer, size, 0);
        if (received >= 0) {
            return received;
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno == EAGAIN) {
            return Value(FromWsa(10035));
        }
        socketError_ = error::SocketFromErrno(errno);
        return Value(FromWsa(socketError_));
    }
}

std::int64_t Connection::Send(const char* data, std::size_t size) {
    if (tls_) {
        return tls_->Write(data, size);
    }
    wantsWrite_ = true;
    for (;;) {
        const ssize_t sent = ::send(fd_.Get(), data, size, MSG_NOSIGNAL);
        if (sent > 0) {
            return sent;
        }
        if (sent < 0 && errno == EINTR) {
            continue;
        }
        if (sent < 0 && errno == EAGAIN) {
            return Value(FromWsa(10035));
        }
        if (sent == 0) {
            return Value(Code::WriteError);
        }
        socketError_ = error::SocketFromErrno(errno);
        return Value(FromWsa(socketError_));
    }
}

bool Connection::WantsWrite() const {
    return tls_ ? tls_->WantsWrite() : wantsWrite_;
}

std::uint32_t Connection::SocketError() const {
    return tls_ && tls_->SocketError() != 0 ? tls_->SocketError() : socketError_;
}

void Connection::Close() {
    if (tls_) {
        tls_->Shutdown();
        tls_.reset();
    }
    fd_.Close();
}

} // namespace ob::mail
