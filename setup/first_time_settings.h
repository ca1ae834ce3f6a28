// The settings an installation writes (`Setup`): the console's host name and
// ports under "Communication", the default account ACCOUNT_NAME and the default
// e-mail profile EMAIL_PROFILE under "JR.ENVIRONMENT", through the library's own
// copy of the variable store (HKEY_LOCAL_MACHINE when writable, else
// HKEY_CURRENT_USER). Each step is logged under "_isInit". One call at a time.
#pragma once

#include <string>

namespace ob::setup {

void WriteFirstTimeSettings();

/// The name of the default profile of the mail library (libobmapi.so, looked for
/// beside this library), logging the steps; "" when there is none.
std::string DefaultMailProfile();

} // namespace ob::setup
