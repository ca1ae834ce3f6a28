#include "engine/services/service_directives.h"

#include "engine/services/ftp_service.h"
#include "engine/services/image_service.h"
#include "engine/services/mail/mail_service.h"
#include "engine/services/service_call.h"
#include "engine/services/string_service.h"

namespace ob::engine {

Outcome DirectiveFtp(ActionContext& context) {
    return CallService(context, FtpService);
}

Outcome DirectiveMail(ActionContext& context) {
    return CallService(context, MailService);
}

Outcome DirectiveImg(ActionContext& context) {
    return CallService(context, ImageService);
}

Outcome DirectiveStr(ActionContext& context) {
    return CallService(context, StringService);
}

} // namespace ob::engine
