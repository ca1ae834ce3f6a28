#include "engine/services/service_call.h"

#include "common/password_mask.h"
#include "engine/expansion/argument_tokeniser.h"
#include "engine/session/engine_session.h"
#include "platform/text/ascii_case.h"

#include <exception>
#include <vector>

namespace ob::engine {

std::string ServiceResultMessage(std::int32_t result, std::string_view statement,
                                 std::string_view subCommand) {
    const std::string text = common::MaskPasswords(statement);
    const std::string sub(subCommand);
    switch (result) {
    case OB_SVC_BAD_FORMAT:
        return "Bad format for SERVICE command: \"" + text + "\"";
    case OB_SVC_TOO_FEW:
        return "Too few parameters for SERVICE command: \"" + text + "\"";
    case OB_SVC_BAD_HANDLE:
        return "Bad SERVICE handle";
    case OB_SVC_NOT_IMPLEMENTED:
        return "The requested SERVICE: \"" + sub + "\", is not implemented";
    case OB_SVC_UNKNOWN:
        return "The requested SERVICE: \"" + sub + "\", is unrecognized";
    default:
        return "The requested SERVICE: \"" + sub + "\", returned an unknown error";
    }
}

Outcome CallService(ActionContext& context, OB_ServiceMain entry) {
    // A service sees an explicit "" as an empty word (an empty drive for MakePath,
    // the empty string for Len); the statement's own words have none, so it is
    // split again with them kept.
    std::vector<std::string> spelled;
    if (ArgumentTokeniser(context.statement.Text(), TOKENISE_EXPAND | TOKENISE_KEEP_EMPTY,
                          spelled) != TokeniseResult::Ok ||
        spelled.empty()) {
        spelled = context.words;
    }
    std::vector<const char*> words;
    words.reserve(spelled.size() + 1);
    for (const std::string& word : spelled) {
        words.push_back(word.c_str());
    }
    words.push_back(nullptr);

    const std::int32_t result = entry(words.data());
    if (result == OB_SVC_OK) {
        return Outcome::Done;
    }
    if (result == OB_SVC_FAILED) {
        return Outcome::SoftFailure;
    }
    const std::string_view subCommand =
        context.words.size() > 1 ? std::string_view(context.words[1]) : std::string_view();
    return FatalFailure(context,
                        ServiceResultMessage(result, context.statement.Text(), subCommand));
}

const ServiceModule* FindLoadedService(const EngineSession& session, std::string_view directive) {
    if (directive.empty()) {
        return nullptr;
    }
    const std::string_view name = directive.substr(1);
    for (const ServiceModule& service : session.services) {
        if (text::EqualsIgnoringCase(service.name, name)) {
            return &service;
        }
    }
    return nullptr;
}

} // namespace ob::engine
