#include "engine/services/service_directives.h"

#include "engine/services/mail/mail_service.h"
#include "engine/services/ftp_service.h"
#include "engine/services/service_call.h"
#include "engine/services/string_service.h"
#include "engine/services/unavailable_service.h"

namespace ob::engine {

int DirectiveFtp(ActionContext& context) {
    return CallService(context, FtpService);
}

int DirectiveMail(ActionContext& context) {
    return CallService(context, MailService);
}

int DirectiveImg(ActionContext& context) {
    return CallService(context, ImageService);
}

int DirectiveStr(ActionContext& context) {
    return CallService(context, StringService);
}

} // namespace ob::engine
