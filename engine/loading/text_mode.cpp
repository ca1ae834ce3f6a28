#include "engine/loading/text_mode.h"

namespace ob::engine {

std::string FromTextMode(std::string_view bytes) {
    std::string content;
    content.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') {
            continue;
        }
        content += bytes[i];
    }
    return content;
}

} // namespace ob::engine
