// The file steps of an installation: backing up the user's job scripts before an
// upgrade replaces them, restoring them afterwards, and removing the sample and
// system scripts. File names compare without regard to (ASCII) case, so
// "autorun.jr" is found for "AutoRun.jr", as installations made on systems that
// fold case expect. Missing files and failed copies or deletes are logged as
// warnings and do not fail a step. Any thread, one call at a time.
#pragma once

#include "setup/setup_log.h"

#include <functional>
#include <string>
#include <string_view>

namespace ob::setup {

/// Calls `action` with the path and name of each entry of the pattern's folder
/// whose name matches the pattern's last component ("*" and "?" as wildcards),
/// in name order; folders are left out. Logs "\t<wording> Status: Cannot find files
/// that match PATTERN" when nothing matches and "\t<wording> Warning: Failed to get
/// next file: PATTERN" when the listing breaks off. False only when the folder's
/// listing could not be closed ("\tCouldn't close search handle.").
bool ForEachMatch(
    LogTag tag, std::string_view wording, const std::string& pattern,
    const std::function<void(const std::string& path, const std::string& name)>& action);

/// Copies every file matching AutoRun.jr, AutoRun.tab, Config.jr and User.jr to the
/// same name with ".bak" appended (replacing an older backup).
bool BackupScripts(const std::string& directory);

/// Copies every file matching AutoRun.jr.bak, AutoRun.tab.bak, Config.jr.bak and
/// User.jr.bak back to its name cut at the first ".bak"; the backups stay.
bool RestoreScripts(const std::string& directory);

/// Deletes setup.jr, System.jr and the .jr files of "Sample Scripts".
bool RemoveSampleScripts(const std::string& directory);

/// Makes the file `to` a copy of `from`, through a temporary file beside it, so a
/// failed copy leaves an existing `to` as it was. False when it could not.
bool CopyWholeFile(const std::string& from, const std::string& to);

} // namespace ob::setup
