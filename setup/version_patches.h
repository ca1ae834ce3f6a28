// The patches that bring job scripts and settings of earlier versions up to date,
// one per version that needed one. Script files (config.jr, autorun.jr) are looked
// for, without regard to case, in the scripts folder given. Any thread, one call at
// a time.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace ob::setup {

/// One text replacement of a patch.
struct ScriptReplacement {
    std::string_view file; ///< "config.jr" or "autorun.jr"
    std::string from;
    std::string to;
};

/// The versions that have a patch, oldest first.
std::span<const std::string_view> PatchedVersions();

/// The text replacements of a version's patch, in the order they are applied
/// (empty for a version whose patch replaces nothing, or that has none).
std::vector<ScriptReplacement> ScriptReplacementsOf(std::string_view version);

/// Applies the patch of `version` to the scripts in `scriptFolder`, logging each
/// step: 0 (after "\tNo available patch for version %s") when the version has no
/// patch, else 1, also when a script file is missing (then nothing of the files is
/// changed).
int ApplyVersionPatch(std::string_view version, const std::string& scriptFolder);

} // namespace ob::setup
