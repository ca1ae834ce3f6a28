// WScript.Shell: running commands, the environment, the current directory and
// the settings store.
//
// Run(command[, windowStyle[, waitOnReturn]]) runs the command through
// /bin/sh -c with standard input, output and error on /dev/null; waiting, it
// returns the exit status (128+N after signal N), else 0 at once (the child is
// reaped in the background). Exec(command) starts it with pipes for its
// standard handles (shell_exec.h). Reg* take "HKLM\...", "HKCU\...", "HKCR\..." paths
// (long root names too); a trailing '\' names a key (its default value). Values
// are texts (REG_SZ, REG_EXPAND_SZ) or REG_DWORD numbers. SendKeys types into the
// active window of the X display (platform/desktop/send_keys.h): bad key syntax
// raises 5, no display (or one that cannot type) raises 70. Popup writes its text to standard
// output, as MsgBox does, and returns -1 (no button was pressed). CurrentDirectory changes the
// directory of the whole process. SpecialFolders gives the collection of the user's special folders
// (special_folders.h); SpecialFolders(name) gives one of them. Interpreter's thread only.
#pragma once

#include "vbscript/object.h"

namespace ob::vbscript::objects {

class WScriptShell final : public Object {
public:
    std::string TypeName() const override { return "IWshShell3"; }
    Variant Invoke(std::string_view name, InvokeKind kind, std::vector<Variant>& args) override;
};

/// "%NAME%" replaced by the variable's value; unknown names stay as they are.
std::string ExpandEnvironmentStrings(std::string_view text);

/// Makes "WScript.Shell" creatable.
void RegisterWScriptShellClass();

} // namespace ob::vbscript::objects
