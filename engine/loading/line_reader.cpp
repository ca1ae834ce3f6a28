#include "engine/loading/line_reader.h"

namespace ob::engine {

bool LineReader::Next(std::string_view& line) {
    if (AtEnd()) {
        return false;
    }
    const std::string_view rest = Rest();
    std::size_t length = rest.find('\n');
    length = length == std::string_view::npos ? rest.size() : length + 1;
    if (length > kBufferSize - 1) {
        length = kBufferSize - 1;
    }
    line = rest.substr(0, length);
    position_ += length;
    return true;
}

} // namespace ob::engine
