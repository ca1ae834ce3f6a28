// The factories of the e-mail classes for the library's class table: EmailSystem,
// smtp and pop3. Any thread; each object is then used by the thread that made it.
#pragma once

#include "vbscript/object.h"

#include <memory>

namespace ob::corelib {

std::shared_ptr<vbscript::Object> MakeEmailSystem();
std::shared_ptr<vbscript::Object> MakeSmtp();
std::shared_ptr<vbscript::Object> MakePop3();

} // namespace ob::corelib
