// The record of what `obrenta setup` installed: the list of files the install
// script wrote (cmake/ObrentaInstallConfig.cmake, asked through
// OBRENTA_INSTALL_MANIFEST), kept in the installation so that `obrenta setup
// remove` can take exactly those away again. Any thread.
#pragma once

#include "host/install_layout.h"

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace ob::host {

/// The files of a manifest, one path a line; none when it cannot be read.
std::optional<std::vector<std::string>> ReadManifest(const std::string& path);

/// What a removal did.
struct RemovalReport {
    std::vector<std::string> removed;
    std::vector<std::string> kept;   ///< in the kept folder: the user's job files
    std::vector<std::string> failed; ///< could not be deleted
};

/// Deletes the manifest's files, except those in the layout's job folder (the
/// user's), then every folder of theirs that this left empty, except the shared
/// folders of the prefix and the configuration folder (bin, lib, share/man/man1,
/// pam.d, ...), which other packages use too.
RemovalReport RemoveInstalledFiles(const std::vector<std::string>& files,
                                   const InstallLayout& layout);

} // namespace ob::host
