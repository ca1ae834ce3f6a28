#include "platform/sound/error_beep.h"

#include <unistd.h>

namespace ob::sound {

void ErrorBeep() {
    if (::isatty(STDERR_FILENO) == 1) {
        const ssize_t ignored = ::write(STDERR_FILENO, "\a", 1);
        (void)ignored;
    }
}

} // namespace ob::sound
