// The runtime object (class Runtime, interface IRuntime, "OBCoreLib.Runtime"):
// what embedded scripts reach the engine and the system through. Its fifty methods
// keep the interface's slot order and dispatch ids 1 to 50 (RuntimeMembers()); the
// bodies live beside it, one concern a file: engine_link (Setup, Print, Return,
// Raise, AddUpdateInfo), message_pump, account_methods, launch_methods,
// engine_variables, window_lookup, ftp_methods, cron/cron_check, and
// pending_methods for the AT methods still to come. Handles are those of the
// process's handle table.
//
// Apartment threaded: an object is used by the thread of the script that created
// it. When it is released, an impersonation it began on that thread ends.
#pragma once

#include "OBCoreLib/automation/automation_object.h"
#include "OBCoreLib/runtime/engine_link.h"

#include <span>

namespace ob::corelib {

class RuntimeObject final : public AutomationObject {
public:
    RuntimeObject();
    ~RuntimeObject() override;
    RuntimeObject(const RuntimeObject&) = delete;
    RuntimeObject& operator=(const RuntimeObject&) = delete;

    EngineLink& Link() { return link_; }

private:
    EngineLink link_;
};

/// The members of IRuntime in slot order.
std::span<const MemberInfo> RuntimeMembers();

} // namespace ob::corelib
