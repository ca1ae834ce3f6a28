#include "mail/tls_session.h"

#include "platform/error/win_error.h"

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <arpa/inet.h>
#include <cerrno>
#include <climits>
#include <mutex>
#include <sys/socket.h>

namespace ob::mail {
namespace {

// A socket BIO that sends with MSG_NOSIGNAL: the stock one writes with write(2),
// which raises SIGPIPE on a connection the server has dropped.
int BioWrite(BIO* bio, const char* data, int size) {
    BIO_clear_retry_flags(bio);
    const int fd = static_cast<int>(reinterpret_cast<std::intptr_t>(BIO_get_data(bio)));
    const ssize_t sent = ::send(fd, data, static_cast<std::size_t>(size), MSG_NOSIGNAL);
    if (sent < 0 && (errno == EAGAIN || errno == EINTR)) {
        BIO_set_retry_write(bio);
    }
    return static_cast<int>(sent);
}

int BioRead(BIO* bio, char* buffer, int size) {
    BIO_clear_retry_flags(bio);
    const int fd = static_cast<int>(reinterpret_cast<std::intptr_t>(BIO_get_data(bio)));
    const ssize_t received = ::recv(fd, buffer, static_cast<std::size_t>(size), 0);
    if (received < 0 && (errno == EAGAIN || errno == EINTR)) {
        BIO_set_retry_read(bio);
    }
    return static_cast<int>(received);
}

long BioControl(BIO*, int command, long, void*) {
    return command == BIO_CTRL_FLUSH ? 1 : 0;
}

BIO_METHOD* SocketMethod() {
    static BIO_METHOD* method = [] {
        BIO_METHOD* made = BIO_meth_new(BIO_get_new_index() | BIO_TYPE_SOURCE_SINK, "mail socket");
        BIO_meth_set_write(made, BioWrite);
        BIO_meth_set_read(made, BioRead);
        BIO_meth_set_ctrl(made, BioControl);
        return made;
    }();
    return method;
}

bool IsAddress(const std::string& name) {
    unsigned char buffer[sizeof(in6_addr)];
    return ::inet_pton(AF_INET, name.c_str(), buffer) == 1 ||
           ::inet_pton(AF_INET6, name.c_str(), buffer) == 1;
}

std::string OpenSslErrors() {
    std::string text;
    while (const unsigned long error = ERR_get_error()) {
        char line[256];
        ERR_error_string_n(error, line, sizeof line);
        if (!text.empty()) {
            text += "; ";
        }
        text += line;
    }
    return text;
}

} // namespace

struct TlsSession::OpenSsl {
    SSL_CTX* context = nullptr;
    SSL* ssl = nullptr;
    ~OpenSsl() {
        SSL_free(ssl);
        SSL_CTX_free(context);
    }
};

std::unique_ptr<TlsSession> TlsSession::Create(int fd, const TlsSettings& settings, Code& failure) {
    failure = Code::TlsHandshakeFailed;
    ERR_clear_error();
    std::unique_ptr<TlsSession> session(new TlsSession());
    session->ssl_ = std::make_unique<OpenSsl>();
    OpenSsl& openSsl = *session->ssl_;
    openSsl.context = SSL_CTX_new(TLS_client_method());
    if (openSsl.context == nullptr ||
        SSL_CTX_set_min_proto_version(openSsl.context, TLS1_2_VERSION) != 1) {
        return nullptr;
    }
    if (settings.verify) {
        const int loaded =
            settings.caFile.empty()
                ? SSL_CTX_set_default_verify_paths(openSsl.context)
                : SSL_CTX_load_verify_locations(openSsl.context, settings.caFile.c_str(), nullptr);
        if (loaded != 1) {
            return nullptr;
        }
        SSL_CTX_set_verify(openSsl.context, SSL_VERIFY_PEER, nullptr);
    } else {
        SSL_CTX_set_verify(openSsl.context, SSL_VERIFY_NONE, nullptr);
    }
    openSsl.ssl = SSL_new(openSsl.context);
    if (openSsl.ssl == nullptr) {
        return nullptr;
    }
    const bool address = IsAddress(settings.serverName);
    if (!address && !settings.serverName.empty()) {
        SSL_set_tlsext_host_name(openSsl.ssl, settings.serverName.c_str());
    }
    if (settings.verify) {
        X509_VERIFY_PARAM* param = SSL_get0_param(openSsl.ssl);
        const int named = address
                              ? X509_VERIFY_PARAM_set1_ip_asc(param, settings.serverName.c_str())
                              : X509_VERIFY_PARAM_set1_host(param, settings.serverName.c_str(), 0);
        if (named != 1) {
            return nullptr;
        }
    }
    BIO* bio = BIO_new(SocketMethod());
    if (bio == nullptr) {
        return nullptr;
    }
    BIO_set_data(bio, reinterpret_cast<void*>(static_cast<std::intptr_t>(fd)));
    BIO_set_init(bio, 1);
    SSL_set_bio(openSsl.ssl, bio, bio);
    // The line layer's output queue may move or grow between a write that must wait
    // and its retry.
    SSL_set_mode(openSsl.ssl, SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER | SSL_MODE_ENABLE_PARTIAL_WRITE);
    SSL_set_connect_state(openSsl.ssl);
    failure = Code::Ok;
    return session;
}

TlsSession::~TlsSession() = default;

std::int64_t TlsSession::Finish(int result, Code failure) {
    wantsWrite_ = false;
    if (result > 0) {
        return result;
    }
    const int error = SSL_get_error(ssl_->ssl, result);
    switch (error) {
    case SSL_ERROR_WANT_READ:
        return Value(FromWsa(10035));
    case SSL_ERROR_WANT_WRITE:
        wantsWrite_ = true;
        return Value(FromWsa(10035));
    case SSL_ERROR_ZERO_RETURN:
        return 0;
    case SSL_ERROR_SYSCALL:
        if (errno == 0 || result == 0) {
            return 0; // the peer closed without a closing alert
        }
        socketError_ = error::SocketFromErrno(errno);
        return Value(FromWsa(socketError_));
    default:
        failureText_ = OpenSslErrors();
        return Value(failure);
    }
}

Code TlsSession::Handshake() {
    ERR_clear_error();
    errno = 0;
    const int result = SSL_do_handshake(ssl_->ssl);
    if (result == 1) {
        return Code::Ok;
    }
    const std::int64_t finished = Finish(result, Code::TlsHandshakeFailed);
    if (finished == Value(FromWsa(10035))) {
        return FromWsa(10035);
    }
    if (const long verified = SSL_get_verify_result(ssl_->ssl); verified != X509_V_OK) {
        failureText_ = X509_verify_cert_error_string(verified);
        return Code::CertificateRejected;
    }
    if (failureText_.empty()) {
        failureText_ = finished == 0 ? "connection closed" : "handshake failed";
    }
    return Code::TlsHandshakeFailed;
}

std::int64_t TlsSession::Read(char* buffer, std::size_t size) {
    ERR_clear_error();
    errno = 0;
    const int limit = size > INT_MAX ? INT_MAX : static_cast<int>(size);
    return Finish(SSL_read(ssl_->ssl, buffer, limit), Code::ReadError);
}

std::int64_t TlsSession::Write(const char* data, std::size_t size) {
    ERR_clear_error();
    errno = 0;
    const int limit = size > INT_MAX ? INT_MAX : static_cast<int>(size);
    const std::int64_t written = Finish(SSL_write(ssl_->ssl, data, limit), Code::WriteError);
    return written == 0 ? Value(Code::WriteError) : written;
}

void TlsSession::Shutdown() {
    ERR_clear_error();
    SSL_shutdown(ssl_->ssl);
}

} // namespace ob::mail
