// WScript.Shell's special folders: parsing user-dirs.dirs ($HOME, absolute and
// relative values, quoting, comments), and the collection following $HOME,
// $XDG_CONFIG_HOME and $XDG_DATA_HOME with the user's own folder names.
#include "support/scratch.h"

#include "vbscript/objects/special_folders.h"
#include "vbscript/objects/xdg_user_dirs.h"

#include "platform/env/environment.h"

#include <gtest/gtest.h>

#include <fstream>
#include <optional>
#include <string>

namespace {

using namespace ob::vbscript::objects;
namespace env = ob::env;

TEST(XdgUserDirs, ParsesUserDirsFiles) {
    struct Case {
        const char* name;
        std::string text;
        const char* key;
        const char* value; // nullptr: not present
    };
    const Case cases[] = {
        {"$HOME relative", "XDG_DESKTOP_DIR=\"$HOME/Bureau\"\n", "XDG_DESKTOP_DIR", "/h/me/Bureau"},
        {"$HOME alone", "XDG_DESKTOP_DIR=\"$HOME\"\n", "XDG_DESKTOP_DIR", "/h/me"},
        {"$HOME with a slash only", "XDG_DESKTOP_DIR=\"$HOME/\"\n", "XDG_DESKTOP_DIR", "/h/me"},
        {"absolute", "XDG_DOCUMENTS_DIR=\"/srv/docs\"\n", "XDG_DOCUMENTS_DIR", "/srv/docs"},
        {"spaces around", "  XDG_DOCUMENTS_DIR = \"$HOME/My Docs\"  \r\n", "XDG_DOCUMENTS_DIR",
         "/h/me/My Docs"},
        {"escaped quote", "XDG_DOCUMENTS_DIR=\"$HOME/a\\\"b\"\n", "XDG_DOCUMENTS_DIR",
         "/h/me/a\"b"},
        {"comment line", "# XDG_DESKTOP_DIR=\"/x\"\n", "XDG_DESKTOP_DIR", nullptr},
        {"relative value", "XDG_DESKTOP_DIR=\"Desktop\"\n", "XDG_DESKTOP_DIR", nullptr},
        {"$HOMEx is no $HOME", "XDG_DESKTOP_DIR=\"$HOMEx/d\"\n", "XDG_DESKTOP_DIR", nullptr},
        {"unquoted", "XDG_DESKTOP_DIR=$HOME/d\n", "XDG_DESKTOP_DIR", nullptr},
        {"unterminated quote", "XDG_DESKTOP_DIR=\"$HOME/d\n", "XDG_DESKTOP_DIR", nullptr},
        {"text after the quote", "XDG_DESKTOP_DIR=\"/d\" x\n", "XDG_DESKTOP_DIR", nullptr},
        {"later line wins", "XDG_DESKTOP_DIR=\"/a\"\nXDG_DESKTOP_DIR=\"/b\"", "XDG_DESKTOP_DIR",
         "/b"},
        {"empty", "", "XDG_DESKTOP_DIR", nullptr},
    };
    for (const Case& c : cases) {
        const auto dirs = ParseUserDirs(c.text, "/h/me");
        const auto found = dirs.find(c.key);
        if (c.value == nullptr) {
            EXPECT_EQ(found, dirs.end()) << c.name;
        } else {
            ASSERT_NE(found, dirs.end()) << c.name;
            EXPECT_EQ(found->second, c.value) << c.name;
        }
    }
}

// Sets variables for one test and puts the old values back.
class ScopedVariables {
public:
    void Set(const std::string& name, const std::optional<std::string>& value) {
        saved_.emplace_back(name, env::Get(name));
        if (value) {
            env::Set(name, *value);
        } else {
            env::Remove(name);
        }
    }
    ~ScopedVariables() {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
            if (it->second) {
                env::Set(it->first, *it->second);
            } else {
                env::Remove(it->first);
            }
        }
    }

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

TEST(SpecialFolders, FollowsTheUsersXdgFolders) {
    ob::test::ScratchDir scratch;
    const std::string home = scratch / "home";
    ScopedVariables vars;
    vars.Set("HOME", home);
    vars.Set("XDG_CONFIG_HOME", std::nullopt);
    vars.Set("XDG_DATA_HOME", std::nullopt);

    // Without user-dirs.dirs: the usual English names below the home folder.
    {
        const SpecialFolders folders;
        EXPECT_EQ(folders.Find("Desktop"), home + "/Desktop");
        EXPECT_EQ(folders.Find("MYDOCUMENTS"), home + "/Documents");
        EXPECT_EQ(folders.Find("templates"), home + "/Templates");
        EXPECT_EQ(folders.Find("Fonts"), home + "/.local/share/fonts");
        EXPECT_EQ(folders.Find("Startup"), home + "/.config/autostart");
        EXPECT_EQ(folders.Find("Programs"), home + "/.local/share/applications");
        EXPECT_EQ(folders.Find("AllUsersStartup"), "/etc/xdg/autostart");
        EXPECT_EQ(folders.Find("AllUsersDesktop"), "");
        EXPECT_EQ(folders.Find("NoSuchFolder"), "");
        EXPECT_EQ(folders.Find(""), "");
    }

    // ~/.config/user-dirs.dirs names the user's own folders.
    std::filesystem::create_directories(home + "/.config");
    std::ofstream(home + "/.config/user-dirs.dirs")
        << "# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/Bureau\"\n"
           "XDG_DOCUMENTS_DIR=\"/srv/docs\"\n";
    {
        const SpecialFolders folders;
        EXPECT_EQ(folders.Find("Desktop"), home + "/Bureau");
        EXPECT_EQ(folders.Find("MyDocuments"), "/srv/docs");
        EXPECT_EQ(folders.Find("Templates"), home + "/Templates");
    }

    // $XDG_CONFIG_HOME and $XDG_DATA_HOME move the files and folders; a relative
    // value is ignored, as the XDG rules ask.
    const std::string config = scratch / "cfg";
    std::filesystem::create_directories(config);
    std::ofstream(config + "/user-dirs.dirs") << "XDG_TEMPLATES_DIR=\"$HOME/Modelle\"\n";
    vars.Set("XDG_CONFIG_HOME", config);
    vars.Set("XDG_DATA_HOME", "/data/share");
    {
        const SpecialFolders folders;
        EXPECT_EQ(folders.Find("Templates"), home + "/Modelle");
        EXPECT_EQ(folders.Find("Desktop"), home + "/Desktop"); // the other file is not read
        EXPECT_EQ(folders.Find("Startup"), config + "/autostart");
        EXPECT_EQ(folders.Find("Fonts"), "/data/share/fonts");
    }
    vars.Set("XDG_DATA_HOME", "relative/share");
    EXPECT_EQ(SpecialFolders().Find("Fonts"), home + "/.local/share/fonts");
}

} // namespace
