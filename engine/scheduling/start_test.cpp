#include "engine/scheduling/start_test.h"

#include "engine/scheduling/time_specification.h"
#include "engine/session/engine_messages.h"

namespace ob::engine {

StartDecision DecideStart(ScheduleContext& context, const StatementList& statements,
                          const TickTime& tick) {
    StartDecision decision;
    for (const auto& statement : statements) {
        if (context.Abandoned()) {
            decision.fired = nullptr;
            return decision;
        }
        if (statement->Kind() != KIND_START) {
            continue;
        }
        auto& start = static_cast<TimeStatement&>(*statement);
        if (CheckTimeWrapped(context, start, tick, true, decision.expire) == 1) {
            if (SkippedOn(statements, tick.now) ||
                SuspendedAt(context, statements, tick, decision.expire)) {
                context.Note("Skipping", LEVEL_RUN_CONTROL);
                continue;
            }
            decision.fired = &start;
            return decision;
        }
        context.Note("CheckEvent == false.", LEVEL_RUN_CONTROL);
    }
    return decision;
}

bool SuspendedAt(ScheduleContext& context, const StatementList& statements, const TickTime& tick,
                 bool& expire) {
    int counter = 0;
    for (const auto& statement : statements) {
        const std::uint32_t kind = statement->Kind();
        if (kind != KIND_SUSPEND && kind != KIND_RESUME) {
            continue;
        }
        auto& window = static_cast<TimeStatement&>(*statement);
        if (!ReevaluateSpecification(context, window, tick.now)) {
            return false;
        }
        if (CheckTimeWrapped(context, window, tick, false, expire) == 1) {
            counter += kind == KIND_SUSPEND ? 1 : -1;
        }
    }
    return counter > 0;
}

bool StopHolds(ScheduleContext& context, const StatementList& statements, const TickTime& tick,
               bool& expire) {
    for (const auto& statement : statements) {
        if (statement->Kind() != KIND_STOP) {
            continue;
        }
        if (context.Abandoned()) {
            return false;
        }
        auto& stop = static_cast<TimeStatement&>(*statement);
        if (CheckTimeWrapped(context, stop, tick, false, expire) == 1) {
            return true;
        }
    }
    return false;
}

} // namespace ob::engine
