// The installation defaults of the console settings. Without `cs_port` the engine
// cannot finish starting (it waits out its 15-second console phase), so the host
// program writes what an installation writes before it creates a session.
#pragma once

#include <ostream>

namespace ob::host {

/// When `cs_port` (section "Communication") is missing from the persistent store,
/// writes "host" (this computer's name), "px_port" 1228 and "cs_port" 1229 and says
/// so on `err`. True when `cs_port` is set afterwards.
bool EnsureConsoleDefaults(std::ostream& err);

} // namespace ob::host
