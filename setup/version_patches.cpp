#include "setup/version_patches.h"

#include "obrenta/setup.h"
#include "platform/fs/temp_file.h"
#include "platform/registry/registry.h"
#include "platform/text/ascii_case.h"
#include "setup/install_directory.h"
#include "setup/script_files.h"
#include "setup/service_entries.h"
#include "setup/setup_log.h"
#include "setup/text_replacement.h"

#include <array>
#include <dirent.h>
#include <map>
#include <unistd.h>

namespace ob::setup {
namespace {

constexpr LogTag kTag = LogTag::Patch;

constexpr std::string_view kVersions[] = {OB_SETUP_PATCHED_VERSIONS};

// The name of `wanted` as the folder spells it (compared without regard to case,
// its own spelling first); "" when the folder has no such entry.
std::string FindInFolder(const std::string& folder, std::string_view wanted) {
    if (::access(InDirectory(folder, wanted).c_str(), F_OK) == 0) {
        return std::string(wanted);
    }
    std::string found;
    if (DIR* listing = ::opendir(folder.c_str())) {
        while (const dirent* entry = ::readdir(listing)) {
            if (text::EqualsIgnoringCase(entry->d_name, wanted) &&
                (found.empty() || found > entry->d_name)) {
                found = entry->d_name;
            }
        }
        ::closedir(listing);
    }
    return found;
}

// 3.6.4 and 3.8.6 name the job account by another variable, and 3.8.6 puts the
// jobs of the two scripts in name spaces of their own.
void AccountRenames(std::vector<ScriptReplacement>& out, std::string_view file,
                    const std::string& space) {
    out.push_back({file, "-call \"%JR.ACCOUNT%\"", "-call \"" + space + "::%JR.ACCOUNT%\""});
    out.push_back({file, "-name %JR.ACCOUNT%", "-name " + space + "::%JR.ACCOUNT%"});
    out.push_back({file, "-name SYSTEM", "-name " + space + "::SYSTEM"});
}

// 4.2.0 loads its services itself: the start-up directives of config.jr that
// loaded them are commented out where a blank, a tab or a line feed precedes them.
void CommentOutServiceLoading(std::vector<ScriptReplacement>& out) {
    std::vector<std::string> directives = {"-action -print ................"};
    for (const char* service : {"ftp", "img", "str", "cscript", "sendkeys"}) {
        directives.push_back(std::string("-action -load -internal \"%JR.SCRIPT_DIR%\"load_") +
                             service + "_service.jr");
        directives.push_back(std::string("-action -call load_") + service + "_service");
    }
    directives.push_back("-action -load -internal \"%JR.SCRIPT_DIR%\"load_mail_service.jr");
    const std::string mailCall = "-action -call load_mail_service";
    for (const std::string& directive : directives) {
        for (const char before : {' ', '\t', '\n'}) {
            out.push_back(
                {"config.jr", before + directive, std::string(1, before) + "#" + directive});
        }
    }
    for (const char before : {'\t', '\n'}) {
        out.push_back({"config.jr", before + mailCall, std::string(1, before) + "#" + mailCall});
    }
    for (const char* setting :
         {"-action -set JR.SAMPLE_CSCRIPT_DIR=", "-action -set JR.INCLUDE_DIR="}) {
        for (const char before : {' ', '\t', '\n'}) {
            out.push_back({"config.jr", before + std::string(setting),
                           std::string(1, before) + "#" + setting});
        }
    }
}

// 3.8.2: the temporary files of template jobs that earlier versions left behind.
void DeleteLeftTemporaryFiles() {
    ForEachMatch(kTag, "Patch", fs::TempDirectory() + "JRX*.tmp",
                 [](const std::string& path, const std::string&) {
                     if (::unlink(path.c_str()) != 0) {
                         Log(kTag, "\tPatch Warning: Failed to delete: " + path + "\n");
                     }
                 });
}

// 3.9.3: the uninstall entry of the old installer and files it left in the folder.
void DeleteOldInstallerLeftovers(const std::string& folder) {
    registry::Key uninstall;
    const bool deleted =
        registry::Key::Open(registry::Root::LocalMachine,
                            "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall",
                            registry::KEY_ALL_ACCESS, uninstall) == registry::ERROR_SUCCESS &&
        uninstall.DeleteSubKey("Obrenta") == registry::ERROR_SUCCESS;
    Log(kTag, deleted ? "\tOld InstallShield Reg Key deleted.\n"
                      : "\tUnable to delete Old InstallShield Reg Key (no access).\n");
    for (const char* file :
         {"MFC42.DLL", "Uninst.isu", "msvcrt.dll", "QuickHelp.rtf", "LICENSE.TXT"}) {
        const std::string name = FindInFolder(folder, file);
        const std::string path = InDirectory(folder, name.empty() ? file : name);
        if (name.empty()) {
            Log(kTag, "\tPatch Warning: Cannot find " + path + "\n");
        } else if (::unlink(path.c_str()) != 0) {
            Log(kTag, "\tPatch Error: Cannot delete " + path + "\n");
        } else {
            Log(kTag, "\tPatch Message: " + path + " Deleted.\n");
        }
    }
}

// The script files a patch edits, found in the folder; false (after logging) when
// one is missing.
bool FindScripts(const std::string& folder, const std::vector<ScriptReplacement>& replacements,
                 std::map<std::string_view, std::string>& paths) {
    for (const ScriptReplacement& replacement : replacements) {
        if (paths.contains(replacement.file)) {
            continue;
        }
        const std::string name = FindInFolder(folder, replacement.file);
        if (name.empty()) {
            Log(kTag, "\tPatch Error: Cannot find " + InDirectory(folder, replacement.file) + "\n");
            Log(kTag, "\tThis patch can only be run from the Obrenta directory\n");
            return false;
        }
        paths.emplace(replacement.file, InDirectory(folder, name));
    }
    return true;
}

} // namespace

std::span<const std::string_view> PatchedVersions() {
    return kVersions;
}

std::vector<ScriptReplacement> ScriptReplacementsOf(std::string_view version) {
    std::vector<ScriptReplacement> out;
    if (version == "3.6.4" || version == "3.6.5") {
        out.push_back({version == "3.6.4" ? "config.jr" : "autorun.jr", "-name %ACCOUNT_NAME%",
                       "-name %JR.ACCOUNT%"});
    } else if (version == "3.8.6") {
        AccountRenames(out, "autorun.jr", "AUTORUN");
        AccountRenames(out, "config.jr", "CONFIG");
    } else if (version == "4.2.0") {
        CommentOutServiceLoading(out);
    }
    return out;
}

int ApplyVersionPatch(std::string_view version, const std::string& scriptFolder) {
    Log(kTag, "Applying specific version patch to " + std::string(version) + "...\n");
    if (std::find(std::begin(kVersions), std::end(kVersions), version) == std::end(kVersions)) {
        Log(kTag, "\tNo available patch for version " + std::string(version) + "\n");
        return 0;
    }
    if (version == "3.8.2") {
        DeleteLeftTemporaryFiles();
    } else if (version == "3.9.3") {
        DeleteOldInstallerLeftovers(scriptFolder);
    } else if (version == "4.2.0") {
        ClearServiceEntries();
    }
    const std::vector<ScriptReplacement> replacements = ScriptReplacementsOf(version);
    std::map<std::string_view, std::string> paths;
    if (!FindScripts(scriptFolder, replacements, paths)) {
        return 1;
    }
    for (const ScriptReplacement& replacement : replacements) {
        const FileReplacement outcome =
            ReplaceInFile(kTag, paths.at(replacement.file), replacement.from, replacement.to);
        if (outcome == FileReplacement::Failed && version == "3.8.6") {
            Log(kTag, "\tPatch Warning: Unable to replace " + replacement.from + "\n");
        }
    }
    return 1;
}

} // namespace ob::setup
