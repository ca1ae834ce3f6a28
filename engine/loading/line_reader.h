// Reads a text line by line the way the job-script reader does: a line ends after
// its newline or after 2047 characters, whichever comes first (the line buffer holds
// 2048 with its terminator), so a longer physical line is read as several lines.
#pragma once

#include <cstddef>
#include <string_view>

namespace ob::engine {

class LineReader {
public:
    static constexpr std::size_t kBufferSize = 2048;

    explicit LineReader(std::string_view text) : text_(text) {}

    /// The next line (with its newline when it has one); false at the end.
    bool Next(std::string_view& line);
    bool AtEnd() const { return position_ >= text_.size(); }
    /// What has not been read yet.
    std::string_view Rest() const { return text_.substr(position_); }

private:
    std::string_view text_;
    std::size_t position_ = 0;
};

} // namespace ob::engine
