// `obrenta vbs FILE [ARGS...]`: runs a VBScript file with a WScript object
// (host/wscript_object.h). Echo, StdOut and MsgBox write to `out`, StdErr to
// `err`; StdIn reads the process's standard input. An unhandled error is written to `err` as
// "FILE(LINE) SOURCE: DESCRIPTION (NUMBER)" followed by the line's text, and the
// exit status is 1; WScript.Quit N ends with status N; otherwise 0.
#pragma once

#include <ostream>

namespace ob::host {

/// argv[0] is "vbs".
int RunVbsCommand(int argc, char** argv, std::ostream& out, std::ostream& err);

} // namespace ob::host
