// The XDG user directories (the Desktop, Documents and Templates folders a Linux
// desktop keeps in $XDG_CONFIG_HOME/user-dirs.dirs, ~/.config/user-dirs.dirs when
// that variable is unset) and the XDG base folders they live beside.
//
// ParseUserDirs is pure; the others read the environment. Any thread.
// ParseUserDirs is exported for the tests.
#pragma once

#include "vbscript/vbscript_export.h"

#include <map>
#include <string>
#include <string_view>

namespace ob::vbscript::objects {

/// Parses a user-dirs.dirs text: lines `XDG_NAME_DIR="value"` where the value is
/// "$HOME/..." (`home` put in its place; "$HOME" alone is the home folder) or an
/// absolute path, with `\` escaping the next character. Comments (`#`), blank
/// lines, unquoted values and other relative values are ignored. The keys keep
/// their full names ("XDG_DESKTOP_DIR"); a later line wins.
OB_VBSCRIPT_API std::map<std::string, std::string> ParseUserDirs(std::string_view text,
                                                                 std::string_view home);

/// The user's home folder: $HOME, else the password database's entry, else "/".
std::string HomeFolder();

/// $XDG_CONFIG_HOME when it is an absolute path, else ~/.config.
std::string ConfigHome();

/// $XDG_DATA_HOME when it is an absolute path, else ~/.local/share.
std::string DataHome();

/// The folder user-dirs.dirs names for `key` ("XDG_DESKTOP_DIR"), else
/// `fallback` below the home folder ("Desktop").
std::string UserDir(std::string_view key, std::string_view fallback);

} // namespace ob::vbscript::objects
