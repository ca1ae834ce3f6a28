#include "mail/mail_log.h"

#include "mail/write_all.h"
#include "platform/lifetime/unique_fd.h"

#include <cstdarg>
#include <cstdio>
#include <fcntl.h>

namespace ob::mail {

void MailLog::Line(std::string_view text) const {
    if (path_.empty()) {
        return;
    }
    std::string line(text);
    line += '\n';
    const UniqueFd fd(
        ::open(path_.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOCTTY, 0666));
    if (!fd.Valid()) {
        return;
    }
    (void)WriteAll(fd.Get(), line);
}

void MailLog::Printf(const char* format, ...) const {
    if (path_.empty()) {
        return;
    }
    std::va_list args;
    va_start(args, format);
    std::va_list copy;
    va_copy(copy, args);
    const int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string text(length > 0 ? static_cast<std::size_t>(length) : 0, '\0');
    if (length > 0) {
        std::vsnprintf(text.data(), text.size() + 1, format, args);
    }
    va_end(args);
    Line(text);
}

} // namespace ob::mail
