// Calling a service, built-in or loaded, from a job statement, and turning its
// result code into the statement's outcome. Engine thread only.
#pragma once

#include "engine/actions/action_context.h"
#include "obrenta/service.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace ob::engine {

struct EngineSession;

struct ServiceModule;

/// Calls `entry` with the statement's words (null-terminated array, words[0] the
/// directive; an explicit "" is an empty word) and reports its result: 0 is outcome 0; 4 is outcome
/// 1 with JR.LAST_ERROR as the service left it; every other code is a fatal failure with the
/// message of ServiceResultMessage.
Outcome CallService(ActionContext& context, OB_ServiceMain entry);

/// The fatal-error message for a result code other than 0 and 4. `statement` is the
/// statement's text, `subCommand` the second word (empty when there is none).
std::string ServiceResultMessage(std::int32_t result, std::string_view statement,
                                 std::string_view subCommand);

/// The first loaded service (in load order) whose name equals `directive` without
/// its first character, without regard to case; null when none. The record (and its
/// entry point) stays valid until the session's service list changes, which only
/// -load -service does.
const ServiceModule* FindLoadedService(const EngineSession& session, std::string_view directive);

} // namespace ob::engine
