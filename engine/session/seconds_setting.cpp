#include "engine/session/seconds_setting.h"

#include "variables/variable_manager.h"

#include <charconv>

namespace ob::engine {

std::chrono::seconds SecondsSetting(const char* section, const char* name,
                                    std::chrono::seconds fallback) {
    const auto text = vars::MainStore().Get(section, name, vars::ENV_PERSISTENT);
    if (!text) {
        return fallback;
    }
    unsigned value = 0;
    const char* end = text->data() + text->size();
    const auto [ptr, ec] = std::from_chars(text->data(), end, value);
    if (ec != std::errc() || ptr != end) {
        return fallback;
    }
    return std::chrono::seconds(value);
}

} // namespace ob::engine
