// The WScript object that `obrenta vbs` gives a script, as console script hosts
// do:
//
//   Echo a, b ...        the values separated by blanks, then a line break, on `out`
//   Quit [code]          ends the script with that exit status (default 0)
//   Arguments            the command-line arguments: Count, Length, Item(i) (the
//                        default member), For Each; .Named (arguments written
//                        /name or /name:value: Item(name), Exists(name), Count) and
//                        .Unnamed (the others)
//   StdIn, StdOut, StdErr  text streams on the process's standard streams
//   Sleep ms             pauses the script
//   CreateObject(progId) an object through the class registry (as CreateObject)
//   ScriptName, ScriptFullName, Name, FullName, Path, Version, BuildVersion,
//   Interactive (read and write; no effect: there are no dialogs), Timeout
//
// Interpreter's thread only.
#pragma once

#include "vbscript/object.h"

#include <istream>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace ob::host {

class WScriptObject final : public vbscript::Object {
public:
    /// `scriptPath`: the absolute path of the script; `programPath`: of obrenta.
    WScriptObject(std::istream& in, std::ostream& out, std::ostream& err, std::string scriptPath,
                  std::string programPath, std::vector<std::string> args);

    std::string TypeName() const override { return "Object"; }
    vbscript::Variant Invoke(std::string_view name, vbscript::InvokeKind kind,
                             std::vector<vbscript::Variant>& args) override;

private:
    std::ostream& out_;
    std::string scriptPath_;
    std::string programPath_;
    std::shared_ptr<vbscript::Object> arguments_;
    std::shared_ptr<vbscript::Object> stdIn_;
    std::shared_ptr<vbscript::Object> stdOut_;
    std::shared_ptr<vbscript::Object> stdErr_;
    bool interactive_ = true;
};

} // namespace ob::host
