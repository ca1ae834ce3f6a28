// A channel's trace file: when a log file is set, the engine appends one line for
// each step of its work (commands sent, replies, states, errors). Secrets never
// reach it. Each line is one append, so several channels may share a file. Used by
// the channel's one caller at a time.
#pragma once

#include <string>
#include <string_view>

namespace ob::mail {

class MailLog {
public:
    /// Sets the file (empty: no logging).
    void SetFile(std::string path) { path_ = std::move(path); }
    const std::string& File() const { return path_; }
    bool Enabled() const { return !path_.empty(); }

    /// Appends `text` and a line end; does nothing without a file. A file that
    /// cannot be written loses the line: logging never fails an operation.
    void Line(std::string_view text) const;

    /// Line() of a printf-style text.
    void Printf(const char* format, ...) const __attribute__((format(printf, 2, 3)));

private:
    std::string path_;
};

} // namespace ob::mail
