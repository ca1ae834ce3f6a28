// The engine's output conventions: text reaches the host as 2005 pieces ended by
// 2006; system messages appear in square brackets when their level bit is set in
// JR.OUTPUT_LEVEL (hexadecimal text, re-read at every use). Any thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ob::engine {

struct EngineSession;

/// JR.OUTPUT_LEVEL read as hexadecimal; 0 when absent or not a number.
std::uint32_t OutputLevel();

/// Posts 2005 with a copy of the text and, with `endOfLine`, 2006. The value of a
/// "-password" word in the text is masked (common/password_mask.h).
void PrintText(EngineSession& session, std::string_view text, bool endOfLine = true);

/// PrintText("[" + text + "]") when the level has `bit`.
void SystemMessage(EngineSession& session, std::string_view text, std::uint32_t bit);

/// PrintText(text) unless the level has `bit`.
void PrintUnlessMuted(EngineSession& session, std::string_view text, std::uint32_t bit);

/// The current time in the long "%#c" form without trailing blanks, as trigger,
/// stop and kill lines show it.
std::string LongTimeNow();

} // namespace ob::engine
