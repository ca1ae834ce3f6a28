#include "engine/session/log_ring.h"

namespace ob::engine {

void LogRing::Append(std::string_view text) {
    if (lines_.size() >= kMaxLines) {
        lines_.pop_front();
    }
    lines_.emplace_back(text.substr(0, kMaxLineLength));
}

} // namespace ob::engine
