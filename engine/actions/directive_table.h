// The directives, each a handler in one of the directive families (flow control,
// files and system, host and job control, processes, interactive, services). The
// dispatcher compares words[0] with the names in table order, without regard to
// case; the first match runs. Engine thread only.
#pragma once

#include "engine/actions/action_context.h"

#include <span>
#include <string_view>

namespace ob::engine {

using DirectiveHandler = Outcome (*)(ActionContext& context);

struct Directive {
    std::string_view name;
    DirectiveHandler handler;
};

/// The table in the order of comparison.
std::span<const Directive> DirectiveTable();

// The handlers, by family (each family's file defines its own).
// Flow control and variables (flow_directives.cpp).
Outcome DirectiveMeta(ActionContext& context);
Outcome DirectivePrint(ActionContext& context);
Outcome DirectiveSet(ActionContext& context);
Outcome DirectiveOnError(ActionContext& context);
Outcome DirectiveCall(ActionContext& context);
Outcome DirectiveReturn(ActionContext& context);
Outcome DirectiveRaise(ActionContext& context);
Outcome DirectiveSetEvent(ActionContext& context); // -SetEvent and -ClearEvent
Outcome DirectiveCheckEvent(ActionContext& context);
Outcome DirectiveMatch(ActionContext& context);
Outcome DirectiveTest(ActionContext& context);
Outcome DirectiveWhile(ActionContext& context);
Outcome DirectiveIf(ActionContext& context);
Outcome DirectiveForeach(ActionContext& context);
// Files and system (file_directives.cpp, system_directives.cpp).
Outcome DirectiveLog(ActionContext& context);
Outcome DirectiveLogFile(ActionContext& context);
Outcome DirectiveDate(ActionContext& context);
Outcome DirectivePath(ActionContext& context);
Outcome DirectiveDebug(ActionContext& context);
Outcome DirectiveSpin(ActionContext& context);
Outcome DirectiveBeep(ActionContext& context);
Outcome DirectiveSleep(ActionContext& context);
Outcome DirectiveCopyMove(ActionContext& context); // -copy and -move
Outcome DirectiveFileOperation(
    ActionContext& context); // -rename/-ren, -delete/-del, -md/-mkdir, -rd/-rmdir, -cd/-chdir, -pwd
Outcome DirectiveGetFile(ActionContext& context);
// Processes (spawn_directive.cpp).
Outcome DirectiveSpawn(ActionContext& context);
// Interactive (interactive_directives.cpp).
Outcome DirectiveAlert(ActionContext& context);
Outcome DirectivePopup(ActionContext& context);
Outcome DirectiveFindWindow(ActionContext& context);
Outcome DirectiveSetForegroundWindow(ActionContext& context);
// Host and job control (host_directives.cpp).
Outcome DirectiveQuit(ActionContext& context);
Outcome DirectiveLoad(ActionContext& context);
Outcome DirectiveHideShow(ActionContext& context); // -hide and -show
Outcome DirectiveProxy(ActionContext& context);
Outcome DirectiveKill(ActionContext& context);

} // namespace ob::engine
