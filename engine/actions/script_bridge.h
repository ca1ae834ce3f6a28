// Script statements: an action whose first word starts with a letter and names no
// directive is a VBScript expression or call, typically of a function of the job
// file's VBScript part. Engine thread only.
//
// For each statement the session's script control is reset and given the job's
// script text (%-expanded; the obsolete "OBCtrl." prefix removed, with a warning),
// then a generated program: a preamble that creates OBCoreLib.Runtime in `OBCtrl`
// (and an EmailSystem object when the text uses the e-mail classes without making
// one), a function "lpc" that tells the object the session's relay window and
// handle with Setup and assigns the statement to `rx0`, and the script library
// (script_library.h). Running "lpc" gives the statement's value, which becomes
// JR.COMMAND_RETURN. What the script asked through the runtime object arrives at
// the relay window meanwhile: Print prints, Return and Raise set the session's
// script error state, which decides the outcome (3: $RETURN, 1: $ONERROR).
//
// A failure to add or run the code is a fatal failure with the control's error as
// text (ScriptErrorText). When the statement ends, its code is dropped, so the
// runtime object is released (ending any impersonation it began) before the job's
// next statement runs.
#pragma once

#include "engine/actions/action_context.h"
#include "vbscript/script_control.h"

#include <string>
#include <string_view>

namespace ob::engine {

/// Runs the statement as a call of a script function; its directive outcome.
Outcome RunScriptStatement(ActionContext& context);

/// What the preamble and "lpc" need besides the statement.
struct ScriptProgramParts {
    std::string statement;
    long long relayWindow = 0; ///< written in signed decimal
    long long session = 0;     ///< written in signed decimal
    bool obsoleteSyntax = false;
    bool emailObjects = false;
};

/// The program added for one statement, before %-expansion and without the script
/// library; every line ends with a line feed.
std::string ScriptProgram(const ScriptProgramParts& parts);

/// True when the script text creates the e-mail classes (OBCoreLib.smtp or
/// OBCoreLib.pop3) and not OBCoreLib.EmailSystem itself. Only mentions with text
/// before them on lines that are not comments count.
bool WantsEmailObjects(std::string_view scriptText);

/// The failure text of the control's error: "Error: DESCRIPTION, LINE TEXT; in line
/// N", else "Error: SOURCE", else "Error: LINE TEXT", else "Error: Unknown VBScript
/// error."; at most 255 bytes, never cut inside a UTF-8 character.
std::string ScriptErrorText(const vbscript::ScriptError& error);

} // namespace ob::engine
