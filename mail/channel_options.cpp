#include "mail/channel_options.h"

namespace ob::mail {
namespace {

constexpr Code kInvalidArgument = FromWsa(10022);

bool InRange(std::int64_t value, std::int64_t low, std::int64_t high) {
    return value >= low && value <= high;
}

} // namespace

Code ChannelOptions::SetInteger(int number, std::int64_t value) {
    switch (number) {
    case option::kSmtpPort:
    case option::kPop3Port:
        if (!InRange(value, 1, 65535)) {
            return kInvalidArgument;
        }
        (number == option::kSmtpPort ? smtpPort : pop3Port) = static_cast<std::uint16_t>(value);
        return Code::Ok;
    case option::kExtendedSmtp:
        extendedSmtp = value != 0;
        return Code::Ok;
    case option::kAuthMechanisms:
        if (!InRange(value, 0, kAuthCramMd5 | kAuthLogin | kAuthPlain)) {
            return kInvalidArgument;
        }
        authMechanisms = static_cast<std::int32_t>(value);
        return Code::Ok;
    case option::kApop:
        apop = value != 0;
        return Code::Ok;
    case option::kAttachmentPrefix:
        attachmentPrefix = value != 0;
        return Code::Ok;
    case option::kSaveAttachments:
        saveAttachments = value != 0;
        return Code::Ok;
    case option::kFileFlag:
        if (!InRange(value, 1, 255)) {
            return kInvalidArgument;
        }
        fileFlag = static_cast<char>(value);
        return Code::Ok;
    case option::kUnnamedCounter:
        if (!InRange(value, 0, INT32_MAX)) {
            return kInvalidArgument;
        }
        unnamedCounter = static_cast<std::int32_t>(value);
        return Code::Ok;
    case option::kReplyTimeout:
        if (!InRange(value, 1, INT32_MAX)) {
            return kInvalidArgument;
        }
        replyTimeout = std::chrono::milliseconds(value);
        return Code::Ok;
    case option::kTlsMode:
        if (!InRange(value, 0, 2)) {
            return kInvalidArgument;
        }
        tlsMode = static_cast<TlsMode>(value);
        return Code::Ok;
    case option::kVerifyCertificate:
        verifyCertificate = value != 0;
        return Code::Ok;
    default:
        return kInvalidArgument;
    }
}

Code ChannelOptions::SetText(int number, std::string_view text) {
    switch (number) {
    case option::kAuthSecret:
        authSecret = text;
        return Code::Ok;
    case option::kAuthUser:
        authUser = text;
        return Code::Ok;
    case option::kCaFile:
        caFile = text;
        return Code::Ok;
    default:
        return kInvalidArgument;
    }
}

Code ChannelOptions::GetInteger(int number, std::int64_t& value) const {
    switch (number) {
    case option::kSmtpPort:
        value = smtpPort;
        return Code::Ok;
    case option::kPop3Port:
        value = pop3Port;
        return Code::Ok;
    case option::kExtendedSmtp:
        value = extendedSmtp ? 1 : 0;
        return Code::Ok;
    case option::kAuthMechanisms:
        value = authMechanisms;
        return Code::Ok;
    case option::kApop:
        value = apop ? 1 : 0;
        return Code::Ok;
    case option::kAttachmentPrefix:
        value = attachmentPrefix ? 1 : 0;
        return Code::Ok;
    case option::kSaveAttachments:
        value = saveAttachments ? 1 : 0;
        return Code::Ok;
    case option::kFileFlag:
        value = static_cast<unsigned char>(fileFlag);
        return Code::Ok;
    case option::kUnnamedCounter:
        value = unnamedCounter;
        return Code::Ok;
    case option::kReplyTimeout:
        value = replyTimeout.count();
        return Code::Ok;
    case option::kTlsMode:
        value = static_cast<std::int64_t>(tlsMode);
        return Code::Ok;
    case option::kVerifyCertificate:
        value = verifyCertificate ? 1 : 0;
        return Code::Ok;
    default:
        return kInvalidArgument;
    }
}

Code ChannelOptions::GetText(int number, std::string& text) const {
    switch (number) {
    case option::kAuthSecret:
        text = authSecret;
        return Code::Ok;
    case option::kAuthUser:
        text = authUser;
        return Code::Ok;
    case option::kCaFile:
        text = caFile;
        return Code::Ok;
    default:
        return kInvalidArgument;
    }
}

} // namespace ob::mail
