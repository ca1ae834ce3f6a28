#include "engine/job_loader.h"

#include "engine/engine_messages.h"
#include "engine/engine_session.h"
#include "engine/event_poster.h"
#include "engine/output.h"

#include <fstream>
#include <sstream>
#include <string>

namespace ob::engine {
namespace {

void LoaderMessage(EngineSession& session, const std::string& text, std::uint32_t options) {
    if ((options & LOAD_INTERNAL) != 0) {
        SystemMessage(session, text, LEVEL_INTERNAL);
    } else {
        PrintText(session, text, true);
    }
}

} // namespace

bool LoadJobScript(EngineSession& session, const char* path, std::uint32_t options,
                   bool /*deleteAfterLoading*/) {
    if (path == nullptr) {
        PrintText(session, "Cannot open file with NULL filename for reading.", true);
        return false;
    }
    LoaderMessage(session, std::string("Loading ") + path + ".", options);
    std::ifstream file(path, std::ios::in);
    if (!file) {
        PrintText(session, std::string("Cannot open the file ") + path + " for reading.", true);
        return false;
    }
    std::ostringstream text;
    text << file.rdbuf();
    // Job blocks are turned into jobs by the job-script parser, which this build
    // does not contain yet: refuse the file rather than report it loaded.
    PrintText(session,
              std::string("Cannot load ") + path + ": job scripts are not supported by this build.",
              true);
    return false;
}

void CreateTemplateJob(EngineSession& session, std::uint32_t, const char*, std::uint32_t) {
    // Template jobs are loaded as job scripts; until those load, every template
    // fails and the host hears so.
    PostEvent(session, OB_EV_NOTIFY, OB_NOTIFY_TEMPLATE_FAILED);
}

} // namespace ob::engine
