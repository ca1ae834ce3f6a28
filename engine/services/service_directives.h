// The directive handlers of the built-in services (-ftp, -mail, -img, -str), for
// the directive table. Each calls its service with the statement's words and
// reports the result code (engine/services/service_call.h). Engine thread only.
#pragma once

#include "engine/actions/action_context.h"

namespace ob::engine {

int DirectiveFtp(ActionContext& context);
int DirectiveMail(ActionContext& context);
int DirectiveImg(ActionContext& context);
int DirectiveStr(ActionContext& context);

} // namespace ob::engine
