// The object WScript.Shell's Exec gives: a command started through /bin/sh -c
// with its standard input, output and error on pipes, seen as TextStreams
// (StdIn for writing, StdOut and StdErr for reading; reading waits for the
// command's output). Status is 0 while the command runs and 1 once it has ended;
// ExitCode is its exit status then (128+N after signal N), 0 before; ProcessID;
// Terminate sends SIGTERM to the command's process group (it runs in one of its
// own, so what the shell started ends too). A command still running when the
// object goes is reaped in the background, never left a zombie. Interpreter's
// thread only.
#pragma once

#include "vbscript/object.h"

#include "platform/process/child_process.h"

#include <memory>
#include <string>

namespace ob::vbscript::objects {

class TextStream;

class ShellExec final : public Object {
public:
    /// Starts the command; raises 70 when it cannot be started.
    explicit ShellExec(const std::string& command);

    std::string TypeName() const override { return "WshScriptExec"; }
    Variant Invoke(std::string_view name, InvokeKind kind, std::vector<Variant>& args) override;

private:
    /// True once the command has ended (collecting it the first time).
    bool Ended();

    process::ChildProcess child_;
    pid_t pid_ = 0;
    bool ended_ = false;
    int exitCode_ = 0;
    std::shared_ptr<TextStream> stdIn_;
    std::shared_ptr<TextStream> stdOut_;
    std::shared_ptr<TextStream> stdErr_;
};

} // namespace ob::vbscript::objects
