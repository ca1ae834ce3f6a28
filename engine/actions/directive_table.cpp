#include "engine/actions/directive_table.h"

#include "engine/services/service_directives.h"

#include <array>

namespace ob::engine {
namespace {

// In the order of comparison. Names that share a row share a handler.
constexpr auto kDirectives = std::to_array<Directive>({
    {"-meta", DirectiveMeta},
    {"-print", DirectivePrint},
    {"-spawn", DirectiveSpawn},
    {"-log", DirectiveLog},
    {"-alert", DirectiveAlert},
    {"-popup", DirectivePopup},
    {"-quit", DirectiveQuit},
    {"-load", DirectiveLoad},
    {"-hide", DirectiveHideShow},
    {"-show", DirectiveHideShow},
    {"-proxy", DirectiveProxy},
    {"-date", DirectiveDate},
    {"-path", DirectivePath},
    {"-debug", DirectiveDebug},
    {"-spin", DirectiveSpin},
    {"-beep", DirectiveBeep},
    {"-sleep", DirectiveSleep},
    {"-set", DirectiveSet},
    {"-onerror", DirectiveOnError},
    {"-call", DirectiveCall},
    {"-return", DirectiveReturn},
    {"-logfile", DirectiveLogFile},
    {"-kill", DirectiveKill},
    {"-raise", DirectiveRaise},
    {"-copy", DirectiveCopyMove},
    {"-move", DirectiveCopyMove},
    {"-rename", DirectiveFileOperation},
    {"-ren", DirectiveFileOperation},
    {"-delete", DirectiveFileOperation},
    {"-del", DirectiveFileOperation},
    {"-md", DirectiveFileOperation},
    {"-mkdir", DirectiveFileOperation},
    {"-rd", DirectiveFileOperation},
    {"-rmdir", DirectiveFileOperation},
    {"-cd", DirectiveFileOperation},
    {"-chdir", DirectiveFileOperation},
    {"-pwd", DirectiveFileOperation},
    {"-getfile", DirectiveGetFile},
    {"-FindWindow", DirectiveFindWindow},
    {"-SetForegroundWindow", DirectiveSetForegroundWindow},
    {"-match", DirectiveMatch},
    {"-SetEvent", DirectiveSetEvent},
    {"-ClearEvent", DirectiveSetEvent},
    {"-CheckEvent", DirectiveCheckEvent},
    {"-test", DirectiveTest},
    {"-while", DirectiveWhile},
    {"-if", DirectiveIf},
    {"-foreach", DirectiveForeach},
    {"-ftp", DirectiveFtp},
    {"-mail", DirectiveMail},
    {"-img", DirectiveImg},
    {"-str", DirectiveStr},
});

} // namespace

std::span<const Directive> DirectiveTable() {
    return kDirectives;
}

} // namespace ob::engine
