#include "platform/desktop/send_keys.h"

#include "platform/desktop/key_typist.h"
#include "platform/desktop/send_keys_parser.h"
#include "platform/desktop/x_connection.h"

namespace ob::desktop {

SendKeysOutcome SendKeys(std::string_view keys) {
    const SendKeysParse parsed = ParseSendKeys(keys);
    if (!parsed.ok) {
        return {SendKeysResult::BadKeys, "Invalid keys at offset " +
                                             std::to_string(parsed.errorPosition) + ": " +
                                             parsed.error + "."};
    }
    XConnection connection;
    if (connection.Open() != DisplayStatus::Ok) {
        return {SendKeysResult::NoDisplay, connection.Problem()};
    }
    std::string problem;
    if (!TypeStrokes(connection, parsed.strokes, problem)) {
        return {SendKeysResult::Failed, problem};
    }
    return {};
}

} // namespace ob::desktop
