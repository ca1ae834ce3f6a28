// Files read in text mode, as the C runtime of the job language reads them: every
// "\r\n" becomes "\n" (a lone "\r" stays). Any thread.
#pragma once

#include <string>
#include <string_view>

namespace ob::engine {

/// `bytes` with each carriage return that precedes a line feed removed.
std::string FromTextMode(std::string_view bytes);

} // namespace ob::engine
