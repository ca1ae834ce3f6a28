// The private profile file: an INI-style settings file used by the store in place
// of the settings database when no company name is configured.
//
// Layout: "[section]" lines open a section; "entry=value" lines inside hold the
// entries. Section and entry names compare without regard to (ASCII) case; blanks
// around names and values are ignored, and a value in matching single or double
// quotes reads without them (the writer quotes values whose blanks or quotes would
// otherwise be lost). The first matching section and entry win on reading. Other
// lines are kept as they are.
//
// Writes replace the file atomically (a new file renamed over the old one) under an
// exclusive lock on "<file>.lock", so concurrent writers in this or other processes
// never lose each other's updates and readers never see half a file. Any thread.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace ob::vars {

class ProfileFile {
public:
    explicit ProfileFile(std::filesystem::path path);

    const std::filesystem::path& Path() const { return path_; }

    /// The entry's value, or `fallback` when the file, section or entry is missing.
    std::string Read(std::string_view section, std::string_view entry,
                     std::string_view fallback) const;

    /// `entry` null deletes the section, `value` null deletes the entry, otherwise the
    /// entry is set (the section is added when missing). Deleting what does not exist
    /// succeeds. False when the file cannot be written or a name or value cannot be
    /// represented (line breaks; "=" or an empty name for entries; "]" in sections).
    bool Write(std::string_view section, const char* entry, const char* value) const;

private:
    std::filesystem::path path_;
};

/// "<product>.ini" in the user's settings directory (the directory of the
/// HKEY_CURRENT_USER database: $OBRENTA_USER_DIR, else $XDG_CONFIG_HOME/obrenta,
/// else ~/.config/obrenta).
std::filesystem::path PrivateProfilePath(std::string_view product);

} // namespace ob::vars
