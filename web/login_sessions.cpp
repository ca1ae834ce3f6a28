#include "web/login_sessions.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <sys/random.h>

namespace ob::web {

std::string RandomToken() {
    std::array<unsigned char, 32> bytes{};
    std::size_t filled = 0;
    while (filled < bytes.size()) {
        const ssize_t got = ::getrandom(bytes.data() + filled, bytes.size() - filled, 0);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return {};
        }
        filled += static_cast<std::size_t>(got);
    }
    static constexpr char kHex[] = "0123456789abcdef";
    std::string token;
    token.reserve(bytes.size() * 2);
    for (unsigned char b : bytes) {
        token.push_back(kHex[b >> 4]);
        token.push_back(kHex[b & 0xF]);
    }
    return token;
}

bool SecretsEqual(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    unsigned char differ = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        differ |= static_cast<unsigned char>(a[i] ^ b[i]);
    }
    return differ == 0;
}

std::string LoginSessions::Open(const std::string& user, SteadyTime now) {
    std::string token = RandomToken();
    std::string csrf = RandomToken();
    if (token.empty() || csrf.empty()) {
        return {};
    }
    std::lock_guard lock(mutex_);
    while (sessions_.size() >= kMaxSessions) {
        DropOldest();
    }
    sessions_[token] = Entry{Login{user, std::move(csrf)}, now, now};
    return token;
}

std::optional<Login> LoginSessions::Find(std::string_view token, SteadyTime now) {
    std::lock_guard lock(mutex_);
    const auto it = sessions_.find(std::string(token));
    if (it == sessions_.end()) {
        return std::nullopt;
    }
    Entry& entry = it->second;
    if (now - entry.lastUsed >= kIdleLimit || now - entry.opened >= kLifetime) {
        sessions_.erase(it);
        return std::nullopt;
    }
    entry.lastUsed = now;
    return entry.login;
}

void LoginSessions::Close(std::string_view token) {
    std::lock_guard lock(mutex_);
    sessions_.erase(std::string(token));
}

std::size_t LoginSessions::Size() {
    std::lock_guard lock(mutex_);
    return sessions_.size();
}

void LoginSessions::DropOldest() {
    const auto oldest =
        std::min_element(sessions_.begin(), sessions_.end(), [](const auto& a, const auto& b) {
            return a.second.lastUsed < b.second.lastUsed;
        });
    if (oldest != sessions_.end()) {
        sessions_.erase(oldest);
    }
}

} // namespace ob::web
