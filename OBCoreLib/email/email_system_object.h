// The EmailSystem object (class EmailSystem, interface IEmailSystem,
// "OBCoreLib.EmailSystem"): a member-less object that the engine's script program
// creates when a job's VBScript uses the smtp or pop3 classes. Scripts can hold it
// and ask its TypeName; any member call raises 438.
#pragma once

#include "OBCoreLib/automation/automation_object.h"

namespace ob::corelib {

class EmailSystemObject final : public AutomationObject {
public:
    EmailSystemObject();
};

} // namespace ob::corelib
