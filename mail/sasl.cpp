#include "mail/sasl.h"

#include "mail/digest.h"
#include "platform/text/base64.h"

namespace ob::mail {

std::string CramMd5Answer(std::string_view user, std::string_view secret,
                          std::string_view challengeBase64) {
    std::string text(user);
    text += ' ';
    text += HmacMd5Hex(secret, text::Base64DecodeLenient(challengeBase64));
    return text::Base64Encode(text);
}

std::string PlainAnswer(std::string_view user, std::string_view secret) {
    std::string message(user);
    message += '\0';
    message += user;
    message += '\0';
    message += secret;
    return text::Base64Encode(message);
}

std::string ApopDigest(std::string_view timestamp, std::string_view password) {
    std::string input(timestamp);
    input += password;
    return Md5Hex(input);
}

std::string ApopTimestamp(std::string_view greeting) {
    const auto open = greeting.find('<');
    if (open == std::string_view::npos) {
        return {};
    }
    const auto close = greeting.find('>', open);
    if (close == std::string_view::npos) {
        return {};
    }
    return std::string(greeting.substr(open, close - open + 1));
}

} // namespace ob::mail
