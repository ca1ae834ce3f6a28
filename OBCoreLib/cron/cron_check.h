// CheckTime and DestroyCronContext: a script asks whether a cron expression
// fires now. The answer is true once each time the current time (ob::clock) enters
// a new matching period and false for the rest of it (common/cron's evaluator);
// what fired is remembered per calling thread and script-chosen id in the process
// environment variable "cron:<thread id>:<id>", as the nine numbers "mask minute
// hour day month weekday year yearday second", so that it outlives the object that
// asked. A variable that does not hold nine numbers counts as missing. Any thread;
// each thread's contexts are its own by name.
#pragma once

#include "OBCoreLib/automation/automation_object.h"

#include <cstdint>
#include <string>

namespace ob::corelib {

/// The variable that holds context `id` of the calling thread.
std::string CronContextVariable(std::int32_t id);

/// -1 fires, 0 does not; S_FALSE with 0 when the expression has no field or
/// more than eight. `reset` -1 (True) starts the context afresh.
I4Result CheckTime(std::int16_t id, std::int32_t reset, const std::string& expression);

/// Removes the calling thread's contexts MinCronId..MaxCronId; how many existed.
I4Result DestroyCronContext(std::int32_t minId, std::int32_t maxId);

} // namespace ob::corelib
