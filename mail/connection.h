// A channel's connection to its server: a connected non-blocking socket, with TLS
// on top once it has been started. Sends never raise SIGPIPE. One caller at a time.
#pragma once

#include "mail/mail_code.h"
#include "mail/tls_session.h"
#include "platform/lifetime/unique_fd.h"

#include <cstddef>
#include <cstdint>
#include <memory>

namespace ob::mail {

class Connection {
public:
    explicit Connection(UniqueFd fd) : fd_(std::move(fd)) {}

    int Fd() const { return fd_.Get(); }
    bool Encrypted() const { return tls_ != nullptr; }

    /// Puts TLS on the connection; the handshake then runs with ContinueTls.
    [[nodiscard]] Code StartTls(const TlsSettings& settings);
    /// 0 when the handshake is done, -10035 while it must wait, else its failure.
    [[nodiscard]] Code ContinueTls();
    /// What the last TLS failure was, for the log.
    std::string TlsFailure() const;

    /// Bytes received (>0), 0 when the server closed, -10035 when nothing waits, or
    /// the failure as a negated Winsock number.
    std::int64_t Receive(char* buffer, std::size_t size);
    /// Bytes sent (>0), -10035 when the socket is full, or the failure code.
    std::int64_t Send(const char* data, std::size_t size);

    /// Whether the last -10035 waits for the socket to become writable.
    bool WantsWrite() const;
    /// The Winsock number of the last socket failure, 0 when none.
    std::uint32_t SocketError() const;

    /// Ends TLS with its closing alert (when on) and closes the socket.
    void Close();

private:
    UniqueFd fd_;
    std::unique_ptr<TlsSession> tls_;
    bool wantsWrite_ = false;
    std::uint32_t socketError_ = 0;
};

} // namespace ob::mail
