// Clearing the settings of the service modules that earlier versions registered
// (part of the 4.2.0 patch): the subkeys services\mail, img, str, cscript, ftp and
// sendkeys under the product key of the settings root the library writes
// (HKEY_LOCAL_MACHINE when writable, else HKEY_CURRENT_USER). Each is logged.
#pragma once

namespace ob::setup {

void ClearServiceEntries();

} // namespace ob::setup
