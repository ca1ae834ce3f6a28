#include "engine/scheduling/schedule_error.h"

#include "engine/session/event_poster.h"
#include "engine/session/output.h"
#include "obrenta/obrenta.h"

namespace ob::engine {

void ReportScheduleError(EngineSession& session, std::string_view message) {
    PrintText(session, message, true);
    PostEvent(session, OB_EV_NOTIFY, OB_NOTIFY_SCRIPT_ERROR);
}

} // namespace ob::engine
