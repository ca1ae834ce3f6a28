// The installation directory: the folder of the job scripts, which also holds the
// setup log. The export that received one last decides it for the whole process.
// Exports are called from one thread at a time; the text is still kept under a lock.
#pragma once

#include "platform/installer/installer_session.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace ob::setup {

/// Longest installation directory the library takes; a longer one counts as none
/// (cutting it would name another folder).
inline constexpr std::size_t kMaxInstallDirectory = 1023;

/// Records the directory an export received (null, empty or too long: none) and
/// returns it ("" for none).
std::string RememberInstallDirectory(const char* directory);

/// The directory recorded last; "" when none is known.
std::string InstallDirectory();

/// The installer's "INSTALLDIR", or, when that is empty, its "InstallLocation"
/// (each read into a 1024-character buffer, as installers pass them); "" when the
/// session has neither (or is not open).
std::string ResolveInstallDirectory(installer::MsiHandle install);

/// `name` in `directory`: joined with "/" unless the directory already ends with
/// "/" or "\".
std::string InDirectory(std::string_view directory, std::string_view name);

} // namespace ob::setup
