// `obrenta setup`: the installer. It owns the installer properties (the
// installation directory, which is the job folder) and calls the setup
// extension's functions around `cmake --install`:
//
//   obrenta setup install  [--prefix DIR] [--build DIR] [--jobs DIR]
//                          [--mail-address ADDRESS [--mail-name NAME]]
//       stop a running engine (_isBatch2), install the build tree, write the
//       first-time settings and restore backed-up scripts (_isBatch3)
//   obrenta setup upgrade  [--prefix DIR] [--build DIR] [--jobs DIR] [--from VERSION]
//       stop the engine, remove sample and system scripts and back up the user's
//       (_isBatch1), install, then _isBatch3 and the patch of every version after
//       VERSION
//   obrenta setup remove   [--prefix DIR] [--jobs DIR]
//       stop the engine (_isBatch2) and delete what the installation installed,
//       keeping the job folder's files
//   obrenta setup init | shutdown [--prefix DIR] [--jobs DIR]
//   obrenta setup patch VERSION [--prefix DIR] [--jobs DIR]
//       one step on its own (_isInit, _isShutdownObrenta, Patch), as the Debian
//       package's maintainer scripts use them
//
// The prefix defaults to the build tree's CMAKE_INSTALL_PREFIX (for install and
// upgrade) or /usr; the job folder to /etc/obrenta/jobs for the prefix /usr and
// PREFIX/etc/obrenta/jobs otherwise; the build tree to the one the running program
// was built in. Main thread of the host program.
#pragma once

#include <ostream>

namespace ob::host {

/// argv[0] is "setup". Exit status 0 on success, 1 on a failure (said on `err`,
/// with the setup log's path), 2 for bad usage.
int RunSetupCommand(int argc, char** argv, std::ostream& out, std::ostream& err);

} // namespace ob::host
