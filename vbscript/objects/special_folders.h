// The SpecialFolders collection of WScript.Shell: the folders a desktop user has
// for a purpose, by name (compared without regard to case), mapped to the XDG
// folders of Linux (xdg_user_dirs.h):
//
//   Desktop            user-dirs XDG_DESKTOP_DIR, else ~/Desktop
//   MyDocuments        user-dirs XDG_DOCUMENTS_DIR, else ~/Documents
//   Templates          user-dirs XDG_TEMPLATES_DIR, else ~/Templates
//   Fonts              $XDG_DATA_HOME/fonts (~/.local/share/fonts)
//   Programs, StartMenu  $XDG_DATA_HOME/applications (the user's menu entries)
//   Startup            $XDG_CONFIG_HOME/autostart (~/.config/autostart)
//   AllUsersPrograms, AllUsersStartMenu  /usr/share/applications
//   AllUsersStartup    /etc/xdg/autostart
//
// Names with no Linux counterpart (AllUsersDesktop, Favorites, NetHood, Recent,
// SendTo, PrintHood...) and unknown names give "". The folders are looked up when
// the collection is made and need not exist. Count and For Each cover the table
// above (in its order, For Each giving the paths); Item(name) is the default
// member, and Item(index) with a number gives the path at that 0-based position
// (9 out of range). Interpreter's thread only.
#pragma once

#include "vbscript/object.h"

#include <string>
#include <utility>
#include <vector>

namespace ob::vbscript::objects {

class OB_VBSCRIPT_API SpecialFolders final : public Object {
public:
    /// Looks the folders up now (environment and user-dirs.dirs).
    SpecialFolders();

    std::string TypeName() const override { return "IWshCollection"; }
    Variant Invoke(std::string_view name, InvokeKind kind, std::vector<Variant>& args) override;
    bool Enumerate(std::vector<Variant>& items) override;

    /// The path for a name, "" for one without a folder.
    std::string Find(std::string_view name) const;

private:
    std::vector<std::pair<std::string, std::string>> folders_; // name, path
};

} // namespace ob::vbscript::objects
