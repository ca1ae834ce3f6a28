#include "mail/pop3_session.h"

#include "mail/sasl.h"

#include <charconv>

namespace ob::mail {
namespace {

int StateNumber(Pop3State state) {
    return static_cast<int>(state);
}

// The number after "+OK" that is `index`-th (0 or 1); -1 when there is none.
std::int64_t StatusNumber(std::string_view status, int index) {
    std::size_t at = status.find(' ');
    for (int i = 0; at != std::string_view::npos; ++i) {
        while (at < status.size() && status[at] == ' ') {
            ++at;
        }
        std::int64_t value = -1;
        const auto [end, error] =
            std::from_chars(status.data() + at, status.data() + status.size(), value);
        if (error != std::errc()) {
            return -1;
        }
        if (i == index) {
            return value <= INT32_MAX ? value : -1;
        }
        at = status.find(' ', static_cast<std::size_t>(end - status.data()));
    }
    return -1;
}

} // namespace

std::int32_t Pop3Session::Connect(Driver& driver, const std::string& server,
                                  const std::string& user, const std::string& password) {
    server_ = server;
    user_ = user;
    password_ = password;
    afterHandshake_ = Pop3State::Greeting;
    return RunOrDisconnect(driver, StateNumber(Pop3State::Resolve));
}

std::int32_t Pop3Session::LogOn(Driver& driver, const std::string& user,
                                const std::string& password) {
    user_ = user;
    password_ = password;
    afterHandshake_ = Pop3State::Greeting;
    return RunOrDisconnect(driver, StateNumber(Pop3State::Greeting));
}

std::int32_t Pop3Session::Transaction(Driver& driver, std::string command, int message,
                                      Answer answer, LineSink* sink, const char* endMark) {
    if (!Connected()) {
        return Value(Code::NotConnected);
    }
    if (message < 0 || (message == 0 && answer != Answer::Count)) {
        return Value(Code::NoSuchMessage);
    }
    command_ = std::move(command);
    message_ = message;
    answer_ = answer;
    sink_ = sink;
    endMark_ = endMark;
    const std::int32_t result = driver.Run(*this, StateNumber(Pop3State::Command));
    sink_ = nullptr;
    if (result < 0 && result != Value(Code::Pop3Error) && result != Value(Code::NoSuchMessage)) {
        // Out of step with the server (a time-out, a lost connection): start afresh.
        Disconnect();
    }
    return result;
}

std::int32_t Pop3Session::Count(Driver& driver) {
    return Transaction(driver, "STAT", 0, Answer::Count, nullptr, "");
}

std::int32_t Pop3Session::Size(Driver& driver, int message) {
    return Transaction(driver, "LIST " + std::to_string(message), message, Answer::Size, nullptr,
                       "");
}

std::int32_t Pop3Session::Top(Driver& driver, int message, int lines, LineSink& sink) {
    if (lines < 0) {
        return Value(FromWsa(10022));
    }
    return Transaction(driver, "TOP " + std::to_string(message) + " " + std::to_string(lines),
                       message, Answer::Lines, &sink, "[EOF]");
}

std::int32_t Pop3Session::Retrieve(Driver& driver, int message, LineSink& sink) {
    return Transaction(driver, "RETR " + std::to_string(message), message, Answer::Lines, &sink,
                       "[EOF1]");
}

std::int32_t Pop3Session::Delete(Driver& driver, int message) {
    return Transaction(driver, "DELE " + std::to_string(message), message, Answer::Status, nullptr,
                       "");
}

std::int32_t Pop3Session::Quit(Driver& driver) {
    return QuitFrom(driver, StateNumber(Pop3State::Quit));
}

Step Pop3Session::Run(int state) {
    return Handle(static_cast<Pop3State>(state));
}

std::optional<Step> Pop3Session::AwaitStatus(Pop3State self, Pop3State next, Code refused) {
    if (auto waiting = FlushOutput(StateNumber(self))) {
        return waiting;
    }
    const Code read = line_->ReadStatusLine(status_);
    if (read != Code::Ok) {
        return ReadFailure(read, StateNumber(self));
    }
    if (status_.empty() || status_.front() != '+') {
        return Step::Fail(refused, StateNumber(next));
    }
    return std::nullopt;
}

Step Pop3Session::SendCommand(std::string_view command, Pop3State next, int delayMs,
                              std::string_view shownAs) {
    return SendLine(command, StateNumber(next), std::chrono::milliseconds(delayMs), shownAs);
}

Step Pop3Session::ReadData() {
    const int self = StateNumber(Pop3State::Data);
    bool progress = false;
    for (;;) {
        ServerLine line;
        const Code read = line_->ReadLine(line, true);
        if (read == FromWsa(10035)) {
            return Step::Wait(self, WaitFor::Readable, progress);
        }
        if (read != Code::Ok) {
            if (read == Code::SocketClosed) {
                log_.Line("[EOF2]");
            }
            return Step::Fail(read, self);
        }
        progress = true;
        std::string_view text = line.text;
        if (!midLine_ && line.complete && text == ".") {
            log_.Line(endMark_);
            return Step::Done();
        }
        if (!midLine_ && !text.empty() && text.front() == '.') {
            text.remove_prefix(1);
        }
        sink_->Line(text, line.complete);
        midLine_ = !line.complete;
    }
}

Step Pop3Session::Handle(Pop3State state) {
    const bool implicitTls = options_.tlsMode == TlsMode::Implicit;
    switch (state) {
    case Pop3State::Resolve:
        return BeginConnect(
            server_, options_.pop3Port, StateNumber(Pop3State::Connecting),
            StateNumber(implicitTls ? Pop3State::TlsHandshake : Pop3State::Greeting));
    case Pop3State::Connecting:
        return AwaitConnect(StateNumber(state), StateNumber(implicitTls ? Pop3State::TlsHandshake
                                                                        : Pop3State::Greeting));
    case Pop3State::TlsHandshake:
        if (!connection_->Encrypted()) {
            return BeginTls(StateNumber(state));
        }
        return AwaitHandshake(StateNumber(state), StateNumber(afterHandshake_));
    case Pop3State::Greeting:
        if (auto waiting = AwaitStatus(state, Pop3State::LogOn, Code::Pop3Error)) {
            return *waiting;
        }
        log_.Line("Greeting seen");
        timestamp_ = ApopTimestamp(status_);
        if (options_.tlsMode == TlsMode::StartTls && !connection_->Encrypted()) {
            return Step::Go(StateNumber(Pop3State::Stls));
        }
        return Step::Go(StateNumber(Pop3State::LogOn));
    case Pop3State::Stls:
        return SendCommand("STLS", Pop3State::StlsReply, 25);
    case Pop3State::StlsReply:
        if (auto waiting = AwaitStatus(state, Pop3State::TlsHandshake, Code::TlsNotOffered)) {
            return *waiting;
        }
        afterHandshake_ = Pop3State::LogOn;
        return BeginTls(StateNumber(Pop3State::TlsHandshake));
    case Pop3State::LogOn:
        if (options_.apop) {
            if (timestamp_.empty()) {
                return Step::Fail(Code::ApopTimestampMissing, StateNumber(Pop3State::ApopReply));
            }
            return SendCommand("APOP " + user_ + " " + ApopDigest(timestamp_, password_),
                               Pop3State::ApopReply, 225, "APOP " + user_ + " ****");
        }
        return SendCommand("USER " + user_, Pop3State::UserReply, 25);
    case Pop3State::ApopReply:
    case Pop3State::PassReply:
        if (auto waiting = AwaitStatus(state, Pop3State::Command, Code::Pop3Error)) {
            return *waiting;
        }
        return Step::Done();
    case Pop3State::UserReply:
        if (auto waiting = AwaitStatus(state, Pop3State::PassReply, Code::Pop3Error)) {
            return *waiting;
        }
        return SendCommand("PASS " + password_, Pop3State::PassReply, 225, "PASS ****");
    case Pop3State::Command:
        return SendCommand(command_, Pop3State::CommandReply, 25);
    case Pop3State::CommandReply: {
        const Code refused = message_ > 0 ? Code::NoSuchMessage : Code::Pop3Error;
        const Pop3State next = answer_ == Answer::Lines ? Pop3State::Data : Pop3State::Command;
        if (auto waiting = AwaitStatus(state, next, refused)) {
            return *waiting;
        }
        switch (answer_) {
        case Answer::Status:
            return Step::Done();
        case Answer::Count:
        case Answer::Size: {
            const std::int64_t value = StatusNumber(status_, answer_ == Answer::Count ? 0 : 1);
            return value < 0 ? Step::Fail(Code::Pop3Error, StateNumber(state))
                             : Step::Done(static_cast<std::int32_t>(value));
        }
        case Answer::Lines:
            midLine_ = false;
            return Step::Go(StateNumber(Pop3State::Data));
        }
        return Step::Fail(Code::Pop3Error, StateNumber(state));
    }
    case Pop3State::Data:
        return ReadData();
    case Pop3State::Quit:
        return SendCommand("QUIT", Pop3State::QuitReply, 25);
    case Pop3State::QuitReply:
        if (auto waiting = AwaitStatus(state, Pop3State::QuitReply, Code::Pop3Error)) {
            return *waiting;
        }
        log_.Line("[CLOSE]");
        return Step::Done();
    }
    log_.Printf("ERROR! Unknown state %d", StateNumber(state));
    return Step::Fail(Code::BadStatusFlag, StateNumber(state));
}

} // namespace ob::mail
