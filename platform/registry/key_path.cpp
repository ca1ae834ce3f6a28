#include "platform/registry/key_path.h"

namespace ob::registry::detail {

std::vector<std::string> SplitKeyPath(std::string_view path) {
    std::vector<std::string> names;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('\\', start);
        if (end == std::string_view::npos) {
            end = path.size();
        }
        if (end > start) {
            names.emplace_back(path.substr(start, end - start));
        }
        start = end + 1;
    }
    return names;
}

std::string JoinKeyPath(const std::vector<std::string>& names, std::size_t from) {
    std::string joined;
    for (std::size_t i = from; i < names.size(); ++i) {
        if (i > from) {
            joined += '\\';
        }
        joined += names[i];
    }
    return joined;
}

} // namespace ob::registry::detail
