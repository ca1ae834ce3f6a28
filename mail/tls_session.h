// TLS over a channel's non-blocking socket (OpenSSL): the engine's extension for
// STARTTLS, STLS and implicit TLS. The server's certificate is verified against the
// system's trusted certificates (or a given PEM file) and its name, unless
// verification is turned off. Reads and writes never raise SIGPIPE. One caller at
// a time.
#pragma once

#include "mail/mail_code.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace ob::mail {

struct TlsSettings {
    bool verify = true;
    std::string caFile;     // empty: the system's trusted certificates
    std::string serverName; // checked against the certificate; sent as SNI unless an address
};

class TlsSession {
public:
    /// A session over `fd` (which stays owned by the caller); null with -75 in
    /// `failure` when OpenSSL cannot set it up (an unreadable CA file, say).
    static std::unique_ptr<TlsSession> Create(int fd, const TlsSettings& settings, Code& failure);
    ~TlsSession();
    TlsSession(const TlsSession&) = delete;
    TlsSession& operator=(const TlsSession&) = delete;

    /// Advances the handshake: 0 when done, -10035 when it must wait (see WantsWrite),
    /// -76 when the certificate did not verify, -75 for other failures.
    [[nodiscard]] Code Handshake();

    /// Bytes read (>0), 0 when the peer closed, -10035 when nothing is there yet, or
    /// a failure code.
    std::int64_t Read(char* buffer, std::size_t size);
    /// Bytes written (>0), -10035 when the socket is full, or a failure code.
    std::int64_t Write(const char* data, std::size_t size);

    /// Whether the last -10035 waits for the socket to become writable.
    bool WantsWrite() const { return wantsWrite_; }
    /// The Winsock number of the last socket failure, 0 when none.
    std::uint32_t SocketError() const { return socketError_; }
    /// What went wrong in the last failed handshake, for the log.
    const std::string& FailureText() const { return failureText_; }

    /// Sends the closing alert, without waiting for the peer's.
    void Shutdown();

private:
    TlsSession() = default;
    std::int64_t Finish(int result, Code failure);

    struct OpenSsl;
    std::unique_ptr<OpenSsl> ssl_;
    bool wantsWrite_ = false;
    std::uint32_t socketError_ = 0;
    std::string failureText_;
};

} // namespace ob::mail
