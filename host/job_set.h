// The job files a host program runs: files named on the command line and, with
// `--jobs`, every ".jr" file of a job folder, read again at each load so that
// files added to or removed from the folder count at the next reload. Main thread.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace ob::host {

class HostSession;

/// The folder `obrenta run --jobs` reads when none is named.
inline constexpr const char* kDefaultJobFolder = "/etc/obrenta/jobs";

/// What one load did.
struct LoadReport {
    std::size_t files = 0;
    std::vector<std::string> failed; ///< files that did not load whole
};

/// The regular files ending in ".jr" directly in `folder` (links followed, names
/// starting with "." left out), in name order; none, with `problem` set, when the
/// folder cannot be read.
std::optional<std::vector<std::string>> JobFilesIn(const std::string& folder, std::string& problem);

class JobSet {
public:
    JobSet(std::vector<std::string> files, std::optional<std::string> folder);

    /// The files to load now: the folder's, then those named on the command line.
    /// None when the folder cannot be read (said on `err`).
    std::optional<std::vector<std::string>> Files(std::ostream& err) const;

    /// Loads `files` into the session, one line on `err` for each that failed (the
    /// jobs before a format error stay queued, as the engine keeps them).
    static LoadReport Load(HostSession& host, const std::vector<std::string>& files,
                           std::ostream& err);

    bool HasFolder() const { return folder_.has_value(); }
    /// "N job files read" or "N job files read, M failed: A B".
    static std::string Summary(const LoadReport& report);

private:
    std::vector<std::string> files_;
    std::optional<std::string> folder_;
};

} // namespace ob::host
