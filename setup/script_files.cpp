#include "setup/script_files.h"

#include "platform/fs/find_files.h"
#include "platform/fs/whole_file.h"
#include "platform/text/ascii_case.h"
#include "setup/install_directory.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace ob::setup {
namespace {

/// Scripts larger than this are not copied (job scripts are read up to 256 MiB).
constexpr std::uint64_t kMaxScriptFile = 256ull * 1024 * 1024;

constexpr std::array<std::string_view, 4> kUserScripts = {"AutoRun.jr", "AutoRun.tab", "Config.jr",
                                                          "User.jr"};
constexpr std::string_view kBackupSuffix = ".bak";

bool IsFolder(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// The names matching `pattern` in `folder`; false when the listing broke off.
// `closed` tells whether the folder's listing could be closed.
bool MatchingNames(const std::string& folder, const std::string& pattern,
                   std::vector<std::string>& names, bool& closed) {
    closed = true;
    DIR* listing = ::opendir(folder.empty() ? "." : folder.c_str());
    if (listing == nullptr) {
        return true; // nothing to match
    }
    const std::string foldedPattern = text::AsciiLower(pattern);
    bool complete = true;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(listing);
        if (entry == nullptr) {
            complete = errno == 0;
            break;
        }
        const std::string name = entry->d_name;
        if (name != "." && name != ".." &&
            fs::WildcardMatch(foldedPattern, text::AsciiLower(name)) && !IsFolder(folder + name)) {
            names.push_back(name);
        }
    }
    closed = ::closedir(listing) == 0;
    std::sort(names.begin(), names.end());
    return complete;
}

// "\tUpdate complete." closes each of the three file steps.
bool Finish(LogTag tag, bool closed) {
    Log(tag, "\tUpdate complete.\n");
    return closed;
}

// Runs `step` on each user script pattern (with `suffix` appended).
bool OverUserScripts(LogTag tag, const std::string& directory, std::string_view suffix,
                     const std::function<void(const std::string&, const std::string&)>& step) {
    bool closed = true;
    for (const std::string_view script : kUserScripts) {
        const std::string pattern =
            InDirectory(directory, std::string(script) + std::string(suffix));
        closed = ForEachMatch(tag, "Update", pattern, step) && closed;
    }
    return closed;
}

} // namespace

bool ForEachMatch(LogTag tag, std::string_view wording, const std::string& pattern,
                  const std::function<void(const std::string&, const std::string&)>& action) {
    std::string folder;
    std::string namePattern;
    fs::SplitPath(pattern, folder, namePattern);
    std::vector<std::string> names;
    bool closed = true;
    const bool complete = MatchingNames(folder, namePattern, names, closed);
    if (names.empty() && complete) {
        Log(tag, "\t" + std::string(wording) + " Status: Cannot find files that match " + pattern +
                     "\n");
    }
    for (const std::string& name : names) {
        action(folder + name, name);
    }
    if (!complete) {
        Log(tag,
            "\t" + std::string(wording) + " Warning: Failed to get next file: " + pattern + "\n");
    }
    if (!closed) {
        Log(tag, "\tCouldn't close search handle.\n");
    }
    return closed;
}

bool CopyWholeFile(const std::string& from, const std::string& to) {
    const auto bytes = fs::ReadWholeFile(from, kMaxScriptFile);
    return bytes && fs::ReplaceWholeFile(to, *bytes) == 0;
}

bool BackupScripts(const std::string& directory) {
    constexpr LogTag tag = LogTag::BackupFile;
    Log(tag, "\tReady to update samples...\n");
    const bool closed =
        OverUserScripts(tag, directory, "", [](const std::string& path, const std::string&) {
            if (!CopyWholeFile(path, path + std::string(kBackupSuffix))) {
                Log(tag, "\tUpdate Warning: Failed to backup: " + path + "\n");
            }
        });
    return Finish(tag, closed);
}

bool RestoreScripts(const std::string& directory) {
    constexpr LogTag tag = LogTag::RestoreFile;
    const bool closed = OverUserScripts(
        tag, directory, kBackupSuffix, [](const std::string& path, const std::string& name) {
            const std::size_t cut = text::AsciiLower(name).find(kBackupSuffix);
            const std::string target = path.substr(0, path.size() - name.size() + cut);
            if (!CopyWholeFile(path, target)) {
                Log(tag, "\tUpdate Warning: Failed to Restore: " + path + "\n");
            }
        });
    return Finish(tag, closed);
}

bool RemoveSampleScripts(const std::string& directory) {
    constexpr LogTag tag = LogTag::ForceRemove;
    bool closed = true;
    for (const std::string_view pattern : {"setup.jr", "System.jr", "Sample Scripts/*.jr"}) {
        closed =
            ForEachMatch(tag, "Update", InDirectory(directory, pattern),
                         [](const std::string& path, const std::string&) {
                             if (::unlink(path.c_str()) != 0) {
                                 Log(tag, "\tUpdate Warning: Failed to delete: " + path + "\n");
                             }
                         }) &&
            closed;
    }
    return Finish(tag, closed);
}

} // namespace ob::setup
