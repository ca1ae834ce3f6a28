#include "engine/specification_error.h"

#include "engine/event_poster.h"
#include "engine/output.h"
#include "obrenta/obrenta.h"

namespace ob::engine {

void ReportSpecificationError(EngineSession& session, std::string_view message) {
    PrintText(session, message, true);
    PostEvent(session, OB_EV_NOTIFY, OB_NOTIFY_SCRIPT_ERROR);
}

} // namespace ob::engine
