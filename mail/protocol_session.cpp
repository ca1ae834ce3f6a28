#include "mail/protocol_session.h"

namespace ob::mail {
namespace {

constexpr Code kWouldBlock = FromWsa(10035);
constexpr Code kInProgress = FromWsa(10036);

} // namespace

int ProtocolSession::Fd() const {
    return connection_ ? connection_->Fd() : connector_.Fd();
}

std::uint32_t ProtocolSession::SocketError() const {
    return connection_ && connection_->SocketError() != 0 ? connection_->SocketError()
                                                          : connector_.SocketError();
}

Code ProtocolSession::TimeoutCode(int state) const {
    return state == connectingState_ ? Code::ConnectFailed : Code::TimedOut;
}

void ProtocolSession::Disconnect() {
    if (connection_) {
        connection_->Close();
    }
    line_.reset();
    connection_.reset();
}

std::string ProtocolSession::LastReplyLine() const {
    return line_ ? line_->LastLine() : std::string();
}

void ProtocolSession::Adopt(UniqueFd fd) {
    Disconnect();
    connection_ = std::make_unique<Connection>(std::move(fd));
    line_ = std::make_unique<LineProtocol>(*connection_, log_);
}

std::int32_t ProtocolSession::RunOrDisconnect(Driver& driver, int state) {
    const std::int32_t result = driver.Run(*this, state);
    if (result < 0) {
        Disconnect();
    }
    return result;
}

std::int32_t ProtocolSession::QuitFrom(Driver& driver, int state) {
    if (!Connected()) {
        return 0;
    }
    const std::int32_t result = driver.Run(*this, state);
    Disconnect();
    return result;
}

Step ProtocolSession::BeginConnect(const std::string& server, std::uint16_t port, int connecting,
                                   int connected) {
    Disconnect();
    server_ = server;
    connectingState_ = connecting;
    log_.Printf("Server = '%s'", server.c_str());
    if (const Code resolved = connector_.Resolve(server, port); resolved != Code::Ok) {
        return Step::Fail(resolved, connecting);
    }
    const Code started = connector_.Start();
    if (started == Code::Ok) {
        Adopt(connector_.Take());
        return Step::Go(connected);
    }
    if (started == kInProgress) {
        return Step::Command(connecting, std::chrono::milliseconds(25));
    }
    return Step::Fail(started, connecting);
}

Step ProtocolSession::AwaitConnect(int self, int connected) {
    const Code checked = connector_.Check();
    if (checked == Code::Ok) {
        Adopt(connector_.Take());
        log_.Printf("Connected to '%s'", server_.c_str());
        return Step::Go(connected);
    }
    if (checked == kInProgress) {
        return Step::Wait(self, WaitFor::Writable);
    }
    return Step::Fail(checked, connected);
}

Step ProtocolSession::BeginTls(int handshake) {
    TlsSettings settings;
    settings.verify = options_.verifyCertificate;
    settings.caFile = options_.caFile;
    settings.serverName = server_;
    line_->Reset();
    if (const Code started = connection_->StartTls(settings); started != Code::Ok) {
        log_.Printf("TLS: %s", connection_->TlsFailure().c_str());
        return Step::Fail(started, handshake);
    }
    return Step::Go(handshake);
}

Step ProtocolSession::AwaitHandshake(int self, int next) {
    const Code shaken = connection_->ContinueTls();
    if (shaken == Code::Ok) {
        log_.Line("TLS established");
        return Step::Go(next);
    }
    if (shaken == kWouldBlock) {
        return Step::Wait(self, connection_->WantsWrite() ? WaitFor::Writable : WaitFor::Readable);
    }
    log_.Printf("TLS: %s", connection_->TlsFailure().c_str());
    return Step::Fail(shaken, next);
}

std::optional<Step> ProtocolSession::FlushOutput(int self) {
    if (!line_->OutputPending()) {
        return std::nullopt;
    }
    const std::size_t before = line_->QueuedBytes();
    const Code flushed = line_->Flush();
    if (flushed == Code::Ok) {
        return std::nullopt;
    }
    if (flushed == kWouldBlock) {
        return Step::Wait(self, connection_->WantsWrite() ? WaitFor::Writable : WaitFor::Readable,
                          line_->QueuedBytes() < before);
    }
    return Step::Fail(flushed, self);
}

Step ProtocolSession::SendLine(std::string_view command, int next, std::chrono::milliseconds delay,
                               std::string_view shownAs) {
    line_->Command(command, shownAs);
    if (auto waiting = FlushOutput(next); waiting && waiting->finished) {
        return *waiting;
    }
    return Step::Command(next, delay);
}

Step ProtocolSession::ReadFailure(Code read, int self) {
    if (read == kWouldBlock) {
        return Step::Wait(self, connection_->WantsWrite() ? WaitFor::Writable : WaitFor::Readable);
    }
    return Step::Fail(read, self);
}

} // namespace ob::mail
