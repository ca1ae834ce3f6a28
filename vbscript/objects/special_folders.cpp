#include "vbscript/objects/special_folders.h"

#include "vbscript/objects/file_path.h"
#include "vbscript/objects/member_call.h"
#include "vbscript/objects/xdg_user_dirs.h"

#include "platform/text/ascii_case.h"

namespace ob::vbscript::objects {

SpecialFolders::SpecialFolders() {
    const std::string programs = JoinPath(DataHome(), "applications");
    folders_ = {
        {"Desktop", UserDir("XDG_DESKTOP_DIR", "Desktop")},
        {"MyDocuments", UserDir("XDG_DOCUMENTS_DIR", "Documents")},
        {"Templates", UserDir("XDG_TEMPLATES_DIR", "Templates")},
        {"Fonts", JoinPath(DataHome(), "fonts")},
        {"Programs", programs},
        {"StartMenu", programs},
        {"Startup", JoinPath(ConfigHome(), "autostart")},
        {"AllUsersPrograms", "/usr/share/applications"},
        {"AllUsersStartMenu", "/usr/share/applications"},
        {"AllUsersStartup", "/etc/xdg/autostart"},
    };
}

std::string SpecialFolders::Find(std::string_view name) const {
    for (const auto& [folderName, path] : folders_) {
        if (text::EqualsIgnoringCase(folderName, name)) {
            return path;
        }
    }
    return "";
}

Variant SpecialFolders::Invoke(std::string_view name, InvokeKind kind, std::vector<Variant>& args) {
    if (!IsRead(kind)) {
        throw ScriptException(err::kNoSuchMember);
    }
    if (Is(name, "Count") || Is(name, "Length")) {
        RequireArgs(args, 0, 0);
        return Variant::Long(static_cast<std::int32_t>(folders_.size()));
    }
    if (name.empty() || Is(name, "Item")) {
        RequireArgs(args, 1, 1);
        const Variant key = ValueOf(args[0]);
        if (key.IsNumeric() && !key.IsEmpty()) {
            const std::int32_t index = key.ToLong();
            if (index < 0 || static_cast<std::size_t>(index) >= folders_.size()) {
                throw ScriptException(err::kSubscript);
            }
            return Variant::String(folders_[static_cast<std::size_t>(index)].second);
        }
        return Variant::String(Find(key.ToString()));
    }
    throw ScriptException(err::kNoSuchMember);
}

bool SpecialFolders::Enumerate(std::vector<Variant>& items) {
    items.clear();
    for (const auto& folder : folders_) {
        items.push_back(Variant::String(folder.second));
    }
    return true;
}

} // namespace ob::vbscript::objects
