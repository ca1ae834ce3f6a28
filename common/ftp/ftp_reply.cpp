#include "common/ftp/ftp_reply.h"

namespace ob::common::ftp {

int ReplyCode(std::string_view line) {
    if (line.size() < 3) {
        return 0;
    }
    int code = 0;
    for (std::size_t i = 0; i < 3; ++i) {
        if (line[i] < '0' || line[i] > '9') {
            return 0;
        }
        code = code * 10 + (line[i] - '0');
    }
    // "123x" is no code: a reply line is the code, then a blank, a "-" or nothing.
    if (line.size() > 3 && line[3] != ' ' && line[3] != '-') {
        return 0;
    }
    return code;
}

void FtpConversation::Sent(std::string_view command) {
    while (!command.empty() && (command.back() == '\n' || command.back() == '\r')) {
        command.remove_suffix(1);
    }
    if (command.size() >= 5 &&
        (command.substr(0, 5) == "PASS " || command.substr(0, 5) == "pass ")) {
        command = command.substr(0, 4);
    }
    lastCommand_.assign(command.substr(0, kMaxLine));
}

void FtpConversation::Received(std::string_view bytes) {
    while (!bytes.empty()) {
        const std::size_t end = bytes.find('\n');
        const std::string_view piece = bytes.substr(0, end);
        if (partial_.size() < kMaxLine) {
            partial_.append(piece.substr(0, kMaxLine - partial_.size()));
        }
        if (end == std::string_view::npos) {
            return;
        }
        bytes.remove_prefix(end + 1);
        if (!partial_.empty() && partial_.back() == '\r') {
            partial_.pop_back();
        }
        Line(std::move(partial_));
        partial_.clear();
    }
}

void FtpConversation::Line(std::string line) {
    if (lines_ >= kMaxLines) {
        return;
    }
    ++lines_;
    const int code = ReplyCode(line);
    if (inMultiLine_) {
        // A multi-line reply ends with a line of its own code and a blank (or the
        // code alone).
        const bool last = code == open_.code && (line.size() == 3 || line[3] == ' ');
        open_.lines.push_back(std::move(line));
        if (last) {
            replies_.push_back(std::move(open_));
            open_ = FtpReply{};
            inMultiLine_ = false;
        }
        return;
    }
    FtpReply reply;
    reply.code = code;
    reply.command = lastCommand_;
    const bool opens = code != 0 && line.size() > 3 && line[3] == '-';
    reply.lines.push_back(std::move(line));
    if (opens) {
        open_ = std::move(reply);
        inMultiLine_ = true;
        return;
    }
    replies_.push_back(std::move(reply));
}

void FtpConversation::Clear() {
    replies_.clear();
    open_ = FtpReply{};
    inMultiLine_ = false;
    partial_.clear();
    lastCommand_.clear();
    lines_ = 0;
}

const FtpReply* FtpConversation::LastReply() const {
    return replies_.empty() ? nullptr : &replies_.back();
}

const FtpReply* FtpConversation::ReplyTo(std::string_view command) const {
    for (auto it = replies_.rbegin(); it != replies_.rend(); ++it) {
        if (it->command == command) {
            return &*it;
        }
    }
    return nullptr;
}

std::string LastLineOf(std::string_view response) {
    const std::size_t end = response.find_last_not_of(" \t\r\n");
    if (end == std::string_view::npos) {
        return {};
    }
    response = response.substr(0, end + 1);
    const std::size_t lineStart = response.find_last_of("\r\n");
    return std::string(lineStart == std::string_view::npos ? response
                                                           : response.substr(lineStart + 1));
}

std::string DirectoryOfPwdReply(std::string_view line) {
    if (ReplyCode(line) != 257) {
        return {};
    }
    const std::size_t open = line.find('"');
    if (open == std::string_view::npos) {
        return {};
    }
    std::string directory;
    for (std::size_t i = open + 1; i < line.size(); ++i) {
        if (line[i] == '"') {
            if (i + 1 < line.size() && line[i + 1] == '"') {
                directory += '"';
                ++i;
                continue;
            }
            return directory;
        }
        directory += line[i];
    }
    return {}; // no closing quote
}

} // namespace ob::common::ftp
