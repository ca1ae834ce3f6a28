#include "web/cookie_header.h"

namespace ob::web {

std::string CookieValue(std::string_view header, std::string_view name) {
    std::string_view rest = header;
    while (!rest.empty()) {
        const auto semicolon = rest.find(';');
        std::string_view pair = rest.substr(0, semicolon);
        rest =
            semicolon == std::string_view::npos ? std::string_view() : rest.substr(semicolon + 1);
        while (!pair.empty() && (pair.front() == ' ' || pair.front() == '\t')) {
            pair.remove_prefix(1);
        }
        if (pair.size() > name.size() && pair.starts_with(name) && pair[name.size()] == '=') {
            return std::string(pair.substr(name.size() + 1));
        }
    }
    return {};
}

} // namespace ob::web
