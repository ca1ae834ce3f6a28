// Allocation and release of the copies handed out by GetEnv. Both sides live in this
// library, so a value is always freed by the allocator that made it.
#include "variables/env_string.h"

#include "variables/variable_manager.h"

#include <cstring>
#include <memory>

namespace ob::vars {

char* CopyEnvString(std::string_view text) {
    auto copy = std::make_unique<char[]>(text.size() + 1);
    if (!text.empty()) {
        std::memcpy(copy.get(), text.data(), text.size());
    }
    copy[text.size()] = '\0';
    return copy.release();
}

void ReleaseEnvString(char* value) {
    std::unique_ptr<char[]> owned(value);
}

} // namespace ob::vars
