// The built-in services whose implementations are not part of this build yet
// (-img). It answers its NAME.VERSION query; every other call fails
// softly (result 4) with JR.LAST_ERROR "Not available in this build.", so that a
// job's error handling sees an ordinary failure. Any thread.
#pragma once

#include <cstdint>

namespace ob::engine {

inline constexpr const char* kNotAvailableText = "Not available in this build.";

std::int32_t ImageService(const char* const* words);

} // namespace ob::engine
