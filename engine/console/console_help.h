// The console's usage texts (`help [command]`).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace ob::engine {

/// The usage lines of the commands `topic` names (without regard to case), or of
/// every command when `topic` is empty (each block then followed by "\r\n"). An
/// unknown topic gives nothing.
std::vector<std::string> HelpText(std::string_view topic);

} // namespace ob::engine
