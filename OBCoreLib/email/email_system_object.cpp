#include "OBCoreLib/email/email_system_object.h"

#include "OBCoreLib/email/email_classes.h"

namespace ob::corelib {

EmailSystemObject::EmailSystemObject() : AutomationObject("IEmailSystem", {}) {}

std::shared_ptr<vbscript::Object> MakeEmailSystem() {
    return std::make_shared<EmailSystemObject>();
}

} // namespace ob::corelib
