// Event records posted to hosts and not yet acknowledged, across all sessions of
// the process. A record stays valid until it is acknowledged, even when its session
// has been destroyed meanwhile, so a host can always read and hand back what is in
// its queue; an acknowledgement of a record that is not outstanding (a second one,
// a forged one) is refused. Records never acknowledged are freed at process exit.
// Any thread.
#pragma once

#include "obrenta/obrenta.h"

#include <memory>

namespace ob::engine {

/// Takes ownership of a record that is about to be posted.
EngineEvent* AddOutstanding(std::unique_ptr<EngineEvent> event);

/// Removes a record; null when it was not outstanding. The caller frees it (see
/// FreeEvent).
std::unique_ptr<EngineEvent> TakeOutstanding(EngineEvent* event);

/// Frees a record and the text it owns.
void FreeEvent(std::unique_ptr<EngineEvent> event);

} // namespace ob::engine
