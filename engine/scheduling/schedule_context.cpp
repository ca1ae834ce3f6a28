#include "engine/scheduling/schedule_context.h"

#include "engine/jobs/time_statement.h"
#include "engine/scheduling/specification_error.h"
#include "engine/session/engine_session.h"
#include "engine/session/output.h"

namespace ob::engine {

void SessionScheduleContext::Note(std::string_view text, std::uint32_t bit) {
    SystemMessage(session_, text, bit);
}

bool SessionScheduleContext::Shows(std::uint32_t bit) {
    return (OutputLevel() & bit) != 0;
}

void SessionScheduleContext::Error(std::string_view text) {
    ReportSpecificationError(session_, text);
}

bool SessionScheduleContext::Abandoned() {
    return (session_.flags.load() & SF_CLEAR_QUEUE) != 0;
}

const CronStatementFields* SessionScheduleContext::CronFieldsOf(const TimeStatement& statement) {
    fields_ = CronStatementFields::Find(statement.Text(), std::nullopt);
    return fields_ ? &*fields_ : nullptr;
}

} // namespace ob::engine
