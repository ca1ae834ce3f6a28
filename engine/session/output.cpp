#include "engine/session/output.h"

#include "engine/history/run_history.h"
#include "engine/session/engine_session.h"
#include "engine/session/event_poster.h"
#include "platform/text/blank.h"
#include "platform/time/ole_date.h"
#include "variables/variable_manager.h"

#include <cstdio>
#include <string>

namespace ob::engine {

std::uint32_t OutputLevel() {
    const auto text = vars::MainStore().Get(nullptr, "JR.OUTPUT_LEVEL", vars::ENV_TRANSIENT);
    unsigned int level = 0;
    if (!text || std::sscanf(text->c_str(), "%x", &level) != 1) {
        return 0;
    }
    return level;
}

void PrintText(EngineSession& session, std::string_view text, bool endOfLine) {
    PostTextEvent(session, OB_EV_TEXT, text);
    if (endOfLine) {
        PostEvent(session, OB_EV_EOL, 0);
        NoteOutputLine(session);
    }
}

void SystemMessage(EngineSession& session, std::string_view text, std::uint32_t bit) {
    if ((OutputLevel() & bit) == 0) {
        return;
    }
    std::string bracketed;
    bracketed.reserve(text.size() + 2);
    bracketed.append("[").append(text).append("]");
    PrintText(session, bracketed, true);
}

void PrintUnlessMuted(EngineSession& session, std::string_view text, std::uint32_t bit) {
    if ((OutputLevel() & bit) == 0) {
        PrintText(session, text, true);
    }
}

std::string LongTimeNow() {
    return std::string(text::TrimRight(datetime::OleDate::Now().Format("%#c"), text::kLineBlanks));
}

} // namespace ob::engine
