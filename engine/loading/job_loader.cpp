#include "engine/loading/job_loader.h"

#include "engine/loading/job_parser.h"
#include "engine/loading/line_reader.h"
#include "engine/loading/script_splitter.h"
#include "engine/loading/text_mode.h"
#include "engine/session/engine_messages.h"
#include "engine/session/engine_session.h"
#include "engine/session/event_poster.h"
#include "engine/session/output.h"
#include "platform/error/win_error.h"
#include "platform/fs/find_files.h"
#include "platform/fs/temp_file.h"
#include "platform/msg/message_queue.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace ob::engine {
namespace {

// The templates' texts; "%s" receives the argument.
constexpr std::array<const char*, kTemplateCount> kTemplates = {
    "{\n\t-name ij_load\n\t-start\n\t-stop\n\t-action -load %s\n}\n",
    "{\n\t-name ij_hide\n\t-start\n\t-stop\n\t-action -hide\n}\n",
    "{\n\t-name ij_refresh\n\t-start -inc 0 0 0 5\n\t-action -refresh\n}\n",
    "{\n\t-name ij_logfile\n\t-start\n\t-stop\n\t-action -logfile %s\n}\n",
    "{\n\t-name ij_shell\n\t-start\n\t-stop\n\t-action -spawn -shell %s\n}\n",
};

void LoaderMessage(EngineSession& session, const std::string& text, std::uint32_t options) {
    if ((options & LOAD_INTERNAL) != 0) {
        SystemMessage(session, text, LEVEL_INTERNAL);
    } else {
        PrintText(session, text, true);
    }
}

// Largest job script read; a device or a runaway file must not exhaust memory.
constexpr std::uintmax_t kMaxScriptSize = 256u * 1024 * 1024;

// Reads a whole file in text mode: "\r\n" line ends become "\n". Only regular files
// up to kMaxScriptSize are read. A file that cannot be opened sets the thread's last
// error, so that a caller can tell a shortage of descriptors from a missing file.
bool ReadTextFile(const char* path, std::string& content) {
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    if (error || !std::filesystem::is_regular_file(status) ||
        std::filesystem::file_size(path, error) > kMaxScriptSize || error) {
        return false;
    }
    errno = 0;
    std::ifstream file(path, std::ios::in | std::ios::binary);
    if (!file) {
        error::SetLastError(error::FromErrno(errno));
        return false;
    }
    std::ostringstream raw;
    raw << file.rdbuf();
    content = FromTextMode(raw.str());
    return true;
}

// The template text with its "%s" replaced by the argument as it is (a "%" inside
// the argument stays a "%").
std::string FillTemplate(const char* text, const char* argument) {
    std::string filled = text;
    const std::size_t at = filled.find("%s");
    if (at != std::string::npos) {
        filled.replace(at, 2, argument != nullptr ? argument : "");
    }
    return filled;
}

} // namespace

bool LoadJobScript(EngineSession& session, const char* path, std::uint32_t options,
                   bool deleteAfterLoading) {
    if (path == nullptr) {
        PrintText(session, "Cannot open file with NULL filename for reading.", true);
        return false;
    }
    LoaderMessage(session, std::string("Loading ") + path + ".", options);
    std::string content;
    if (!ReadTextFile(path, content)) {
        PrintText(session, std::string("Cannot open the file ") + path + " for reading.", true);
        return false;
    }
    const SplitScript split = SplitJobScript(content);
    ParseContext context;
    context.fileName = path;
    context.scriptText = std::make_shared<const std::string>(split.scriptText);
    context.loaderFlags = options;
    LineReader jobText(split.jobText);
    while (!jobText.AtEnd()) {
        if (!ParseOneJob(session, context, jobText)) {
            return false;
        }
    }
    LoaderMessage(session, std::to_string(context.jobsOpened) + " jobs loaded.", options);
    if (deleteAfterLoading && std::remove(path) != 0) {
        PrintText(session, std::string("Failed to delete: ") + path, true);
    }
    return true;
}

bool LoadJobScriptsByPattern(EngineSession& session, const std::string& pattern,
                             std::uint32_t options, bool deleteAfterLoading) {
    std::string directory;
    std::string name;
    fs::SplitPath(pattern, directory, name);
    for (const fs::FindData& found : fs::FindFiles(pattern)) {
        if ((found.attributes & fs::FILE_ATTRIBUTE_DIRECTORY) != 0) {
            continue;
        }
        const std::string path = directory + found.name;
        if (!LoadJobScript(session, path.c_str(), options, deleteAfterLoading)) {
            return false;
        }
    }
    return true;
}

void CreateTemplateJob(EngineSession& session, std::uint32_t index, const char* argument,
                       std::uint32_t options) {
    if (index >= kTemplateCount) {
        PostEvent(session, OB_EV_NOTIFY, OB_NOTIFY_TEMPLATE_FAILED);
        return;
    }
    const std::string path = fs::CreateTempFile("JRX");
    if (path.empty()) {
        return; // a template that cannot be written leaves no trace
    }
    {
        std::ofstream file(path, std::ios::out | std::ios::trunc);
        file << FillTemplate(kTemplates[index], argument);
        if (!file.flush()) {
            file.close();
            std::remove(path.c_str());
            return;
        }
    }
    const std::uint32_t loadOptions = (options & TEMPLATE_INTERNAL) != 0 ? LOAD_INTERNAL : 0;
    const bool loaded = LoadJobScript(session, path.c_str(), loadOptions, true);
    if (!loaded) {
        // A failed load keeps its file; a template's file is ours, so it goes.
        std::remove(path.c_str());
        PostEvent(session, OB_EV_NOTIFY, OB_NOTIFY_TEMPLATE_FAILED);
    } else if ((options & TEMPLATE_RUN_NOW) != 0) {
        SessionLock lock(session);
        if (session.jobs.Size() > 0) {
            Job* tail = session.jobs.At(session.jobs.Size() - 1);
            msg::PostThreadMessage(session.engineThreadId, EM_RUN_JOB,
                                   reinterpret_cast<msg::WPARAM>(tail), 0);
        }
    } else if ((options & TEMPLATE_NOTIFY) != 0) {
        PostEvent(session, OB_EV_TEMPLATE, 0);
    }
}

} // namespace ob::engine
