// The runtime object's methods whose service it does not use yet: the handle-based
// FTP methods (Ftp..., until they are wired to the FTP client of common/ftp). Each
// answers as it does when its service refuses: the failure result of its row with
// S_FALSE. Thread of the calling script.
#pragma once

#include "OBCoreLib/automation/automation_object.h"

namespace ob::corelib {

/// FtpConnect and every method on an FTP session handle: 0 with S_FALSE.
I4Result FtpRefused();

} // namespace ob::corelib
