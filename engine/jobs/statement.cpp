#include "engine/jobs/statement.h"

namespace ob::engine {

void Statement::SetText(std::string_view text) {
    constexpr std::string_view kWhite = " \t\r\n\v\f";
    const std::size_t first = text.find_first_not_of(kWhite);
    if (first == std::string_view::npos) {
        text_.clear();
        return;
    }
    const std::size_t last = text.find_last_not_of(kWhite);
    text_.assign(text.substr(first, last - first + 1));
}

} // namespace ob::engine
