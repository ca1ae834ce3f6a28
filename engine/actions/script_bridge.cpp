#include "engine/actions/script_bridge.h"

#include "engine/actions/script_library.h"
#include "engine/expansion/expand_text.h"
#include "engine/session/engine_session.h"
#include "engine/session/output.h"
#include "platform/text/ascii_case.h"
#include "variables/variable_manager.h"

#include <cstdint>

namespace ob::engine {
namespace {

constexpr std::string_view kObsoletePrefix = "OBCtrl.";
constexpr std::size_t kMaxErrorText = 255;

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

bool IsWordCharacter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

// The statement's first run of letters, digits and underscores.
std::string_view LeadingIdentifier(std::string_view statement) {
    std::size_t begin = 0;
    while (begin < statement.size() && !IsWordCharacter(statement[begin])) {
        ++begin;
    }
    std::size_t end = begin;
    while (end < statement.size() && IsWordCharacter(statement[end])) {
        ++end;
    }
    return statement.substr(begin, end - begin);
}

// Removes every occurrence of `prefix`; true when there was one.
bool RemoveAll(std::string& text, std::string_view prefix) {
    bool found = false;
    for (std::size_t at = text.find(prefix); at != std::string::npos; at = text.find(prefix, at)) {
        text.erase(at, prefix.size());
        found = true;
    }
    return found;
}

// A mention of `name` (without regard to case) with non-blank text before it on a
// line that is not a comment.
bool Mentions(std::string_view text, std::string_view name) {
    const std::string lowerText = text::AsciiLower(text);
    const std::string lowerName = text::AsciiLower(name);
    for (std::size_t at = lowerText.find(lowerName); at != std::string::npos;
         at = lowerText.find(lowerName, at + 1)) {
        const std::size_t lineStart = lowerText.rfind('\n', at);
        std::size_t first = lineStart == std::string::npos ? 0 : lineStart + 1;
        while (first < at && IsBlank(lowerText[first])) {
            ++first;
        }
        if (first == at) {
            continue; // nothing before it on its line
        }
        const std::string_view line = std::string_view(lowerText).substr(first);
        if (line.front() == '\'' || line.substr(0, 3) == "rem") {
            continue;
        }
        return true;
    }
    return false;
}

// Cuts a text to `limit` bytes, backing off so no UTF-8 character is split.
std::string Limited(std::string text, std::size_t limit) {
    if (text.size() <= limit) {
        return text;
    }
    std::size_t cut = limit;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) {
        --cut;
    }
    text.resize(cut);
    return text;
}

// Drops the statement's code when the statement ends, however it ends: the
// runtime object goes with it, and with it any impersonation it began.
class StatementCode {
public:
    explicit StatementCode(vbscript::ScriptControl& control) : control_(control) {}
    ~StatementCode() { control_.Reset(); }
    StatementCode(const StatementCode&) = delete;
    StatementCode& operator=(const StatementCode&) = delete;

private:
    vbscript::ScriptControl& control_;
};

// JR.COMMAND_RETURN from the statement's value; a value without text removes it.
void StoreCommandReturn(EngineSession& session, const vbscript::Variant& value) {
    std::string text;
    try {
        if (!value.IsEmpty() && !value.IsNull()) {
            text = value.ToString();
        }
    } catch (...) {
        // A value that has no text (an array, an object without a default value).
        PrintText(session, "VBExec failure.", true);
        text.clear();
    }
    session.scriptResult = text;
    vars::MainStore().PutEnv(nullptr, "JR.COMMAND_RETURN", text.empty() ? nullptr : text.c_str(),
                             vars::ENV_TRANSIENT);
}

Outcome ScriptFailure(ActionContext& context, const vbscript::ScriptControl& control) {
    return FatalFailure(context, ScriptErrorText(control.Error()));
}

} // namespace

std::string ScriptProgram(const ScriptProgramParts& parts) {
    std::string program = "  Dim OBCtrl\n"
                          "  Set OBCtrl = CreateObject(\"OBCoreLib.Runtime\")\n";
    if (parts.emailObjects) {
        program += "  Dim EmailSystem\n"
                   "  Set EmailSystem = CreateObject(\"OBCoreLib.EmailSystem\")\n";
    }
    program += "\n"
               "Function lpc()\n";
    program += "  rx1 = OBCtrl.Setup(0," + std::to_string(parts.relayWindow) + ")\n";
    program += "  rx2 = OBCtrl.Setup(1," + std::to_string(parts.session) + ")\n";
    if (parts.obsoleteSyntax) {
        program += "  Call Print (\"*******\")\n"
                   "  Call Print (\"Warning: Using obsolete syntax: 'OBCtrl.'\")\n"
                   "  Call Print (\"*******\")\n";
    }
    if (text::EqualsIgnoringCase(LeadingIdentifier(parts.statement), "If")) {
        program += parts.statement + "\n  rx0 = 0 \n";
    } else {
        program += "  rx0 = " + parts.statement + "\n";
    }
    program += "  lpc = rx0\n"
               "  'Call Print(rx0 & rx1 & rx2)\n";
    if (parts.emailObjects) {
        program += "  Set EmailSystem = Nothing\n";
    }
    program += "  Set OBCtrl = Nothing\n"
               "End Function\n";
    return program;
}

bool WantsEmailObjects(std::string_view scriptText) {
    return (Mentions(scriptText, "OBCoreLib.smtp") || Mentions(scriptText, "OBCoreLib.pop3")) &&
           !Mentions(scriptText, "OBCoreLib.EmailSystem");
}

std::string ScriptErrorText(const vbscript::ScriptError& error) {
    std::string text = "Error: ";
    if (!error.description.empty()) {
        text += error.description + ", " + error.text + "; in line " + std::to_string(error.line);
    } else if (!error.source.empty()) {
        text += error.source;
    } else if (!error.text.empty()) {
        text += error.text;
    } else {
        text += "Unknown VBScript error.";
    }
    return Limited(std::move(text), kMaxErrorText);
}

Outcome RunScriptStatement(ActionContext& context) {
    EngineSession& session = context.session;
    session.scriptErrorState = 0;
    if (!session.script) {
        return FatalFailure(context, ScriptErrorText({}));
    }
    vbscript::ScriptControl& control = *session.script;
    control.Reset();
    const StatementCode dropWhenDone(control);

    std::string jobText = context.job.Env().scriptText ? *context.job.Env().scriptText : "";
    ExpandText(jobText);
    ScriptProgramParts parts;
    parts.obsoleteSyntax = RemoveAll(jobText, kObsoletePrefix);
    parts.emailObjects = WantsEmailObjects(jobText);
    if (!control.AddCode(jobText)) {
        return ScriptFailure(context, control);
    }

    parts.statement = context.statement.Text();
    parts.relayWindow = static_cast<long long>(session.relayWindow);
    parts.session = static_cast<long long>(reinterpret_cast<std::intptr_t>(&session));
    std::string program = ScriptProgram(parts);
    ExpandText(program);
    program += "\n";
    program += ScriptLibraryText();
    if (!control.AddCode(program)) {
        return ScriptFailure(context, control);
    }

    vbscript::Variant result;
    if (!control.Run("lpc", {}, result)) {
        return ScriptFailure(context, control);
    }
    StoreCommandReturn(session, result);

    switch (session.scriptErrorState) {
    case 3:
        context.job.SetVariable("$RETURN=" + (session.scriptErrorText.empty()
                                                  ? std::string("continue")
                                                  : session.scriptErrorText));
        return Outcome::Return;
    case 1:
        return Outcome::SoftFailure;
    default:
        return Outcome::Done;
    }
}

} // namespace ob::engine
