// Writes bytes to a descriptor to the end, across short writes and interruptions.
// Any thread.
#pragma once

#include <string_view>

namespace ob::mail {

/// True when every byte was written.
bool WriteAll(int fd, std::string_view bytes);

} // namespace ob::mail
