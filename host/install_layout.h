// Where an installation made by `obrenta setup` puts things, given its prefix, and
// where the build tree it installs from is. The rules match the install rules of
// cmake/ObrentaPackaging.cmake. Any thread.
#pragma once

#include <optional>
#include <string>

namespace ob::host {

struct InstallLayout {
    std::string prefix;    ///< /usr, /usr/local, /opt/obrenta, ...
    std::string configDir; ///< /etc for the prefix /usr, else PREFIX/etc
    std::string jobFolder; ///< CONFIG/obrenta/jobs: the installation directory
    std::string manifest;  ///< PREFIX/share/obrenta/install_manifest.txt
    /// /etc/pam.d/obrenta for the prefixes /usr and /usr/local (PAM reads /etc/pam.d
    /// only), else CONFIG/pam.d/obrenta for the administrator to copy.
    std::string pamService;
};

InstallLayout LayoutFor(const std::string& prefix);

/// The build tree the running program belongs to (the folder above its bin/ that
/// holds a CMakeCache.txt); none when it was installed.
std::optional<std::string> OwnBuildTree();

/// A cache entry of the build tree's CMakeCache.txt ("CMAKE_INSTALL_PREFIX", say).
std::optional<std::string> BuildCacheValue(const std::string& buildTree, const std::string& name);

} // namespace ob::host
