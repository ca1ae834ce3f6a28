// The directives, each a handler in one of the directive families (flow control,
// files and system, host and job control, processes, interactive, services). The
// dispatcher compares words[0] with the names in table order, without regard to
// case; the first match runs. Engine thread only.
#pragma once

#include "engine/actions/action_context.h"

#include <span>
#include <string_view>

namespace ob::engine {

using DirectiveHandler = int (*)(ActionContext& context);

struct Directive {
    std::string_view name;
    DirectiveHandler handler;
};

/// The table in the order of comparison.
std::span<const Directive> DirectiveTable();

// The handlers, by family (each family's file defines its own).
// Flow control and variables (flow_directives.cpp).
int DirectiveMeta(ActionContext& context);
int DirectivePrint(ActionContext& context);
int DirectiveSet(ActionContext& context);
int DirectiveOnError(ActionContext& context);
int DirectiveCall(ActionContext& context);
int DirectiveReturn(ActionContext& context);
int DirectiveRaise(ActionContext& context);
int DirectiveSetEvent(ActionContext& context); // -SetEvent and -ClearEvent
int DirectiveCheckEvent(ActionContext& context);
int DirectiveMatch(ActionContext& context);
int DirectiveTest(ActionContext& context);
int DirectiveWhile(ActionContext& context);
int DirectiveIf(ActionContext& context);
int DirectiveForeach(ActionContext& context);
// Files and system (file_directives.cpp, system_directives.cpp).
int DirectiveLog(ActionContext& context);
int DirectiveLogFile(ActionContext& context);
int DirectiveDate(ActionContext& context);
int DirectivePath(ActionContext& context);
int DirectiveDebug(ActionContext& context);
int DirectiveSpin(ActionContext& context);
int DirectiveBeep(ActionContext& context);
int DirectiveSleep(ActionContext& context);
int DirectiveCopyMove(ActionContext& context); // -copy and -move
int DirectiveFileOperation(
    ActionContext& context); // -rename/-ren, -delete/-del, -md/-mkdir, -rd/-rmdir, -cd/-chdir, -pwd
int DirectiveGetFile(ActionContext& context);
// Processes (spawn_directive.cpp).
int DirectiveSpawn(ActionContext& context);
// Interactive (interactive_directives.cpp).
int DirectiveAlert(ActionContext& context);
int DirectivePopup(ActionContext& context);
int DirectiveFindWindow(ActionContext& context);
int DirectiveSetForegroundWindow(ActionContext& context);
// Host and job control (host_directives.cpp).
int DirectiveQuit(ActionContext& context);
int DirectiveLoad(ActionContext& context);
int DirectiveHideShow(ActionContext& context); // -hide and -show
int DirectiveProxy(ActionContext& context);
int DirectiveKill(ActionContext& context);

} // namespace ob::engine
