// The directive handlers of the built-in services (-ftp, -mail, -img, -str), for
// the directive table. Each calls its service with the statement's words and
// reports the result code (engine/services/service_call.h). Engine thread only.
#pragma once

#include "engine/actions/action_context.h"

namespace ob::engine {

Outcome DirectiveFtp(ActionContext& context);
Outcome DirectiveMail(ActionContext& context);
Outcome DirectiveImg(ActionContext& context);
Outcome DirectiveStr(ActionContext& context);

} // namespace ob::engine
