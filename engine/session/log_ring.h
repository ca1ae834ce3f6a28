// The session's output log: the last 5000 lines handed to OB_LogOutput, each cut
// to its first 80 characters, oldest first. Read by the command server. Not
// synchronised: the session lock guards it.
#pragma once

#include <cstddef>
#include <deque>
#include <string>
#include <string_view>

namespace ob::engine {

class LogRing {
public:
    static constexpr std::size_t kMaxLines = 5000;
    static constexpr std::size_t kMaxLineLength = 80;

    void Append(std::string_view text);
    std::size_t Size() const { return lines_.size(); }
    /// Line `index`, 0 the oldest.
    const std::string& At(std::size_t index) const { return lines_[index]; }

private:
    std::deque<std::string> lines_;
};

} // namespace ob::engine
