#include "engine/loading/core_dump.h"

#include "engine/jobs/action_statement.h"
#include "engine/session/engine_messages.h"
#include "engine/session/engine_session.h"
#include "engine/session/output.h"
#include "platform/fs/program_path.h"
#include "platform/time/ole_date.h"

#include <cstdio>
#include <memory>
#include <string>

namespace ob::engine {
namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

const char* KindWord(std::uint32_t kind) {
    switch (kind) {
    case KIND_START:
        return "-start";
    case KIND_STOP:
        return "-stop";
    case KIND_ACTION:
        return "-action";
    case KIND_SKIP:
        return "-skip";
    case KIND_SUSPEND:
        return "-suspend";
    case KIND_RESUME:
        return "-resume";
    default:
        return nullptr;
    }
}

std::string OrNull(const std::optional<std::string>& value) {
    return value ? *value : std::string("(null)");
}

void DumpJob(std::FILE* file, const Job& job) {
    std::fprintf(file, "# %s\n",
                 ("Job $FILENAME->" + OrNull(job.GetVariable("$FILENAME"))).c_str());
    std::fprintf(file, "# %s\n", ("Job $FLAGS->" + OrNull(job.GetVariable("$FLAGS"))).c_str());
    std::fprintf(file, "{\n");
    std::fprintf(file, "\t-name %s\n\n", OrNull(job.GetVariable("$NAME")).c_str());
    for (const auto& statement : job.Statements()) {
        std::fprintf(file, "\t# %s\n",
                     ("Statement line->" + std::to_string(statement->line)).c_str());
        std::fprintf(file, "\t# %s\n",
                     ("Statement flags->" + std::to_string(statement->flags)).c_str());
        if (statement->Kind() == KIND_ENVIRONMENT) {
            std::fprintf(file, "\t# %s\n\n", "(Internal Environment)");
        } else if (const char* word = KindWord(statement->Kind())) {
            const std::string line = std::string(word) + " " + statement->Text();
            std::fprintf(file, "\t%s\n\n", line.c_str());
        }
    }
    std::fprintf(file, "}\n\n");
}

} // namespace

std::string CoreDumpPath() {
    const std::string program = fs::ProgramPath();
    return program.empty() ? std::string() : program + ".core";
}

int WriteCoreDump(EngineSession& session, const std::string& path) {
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "a"));
    if (!file) {
        SystemMessage(session, "Unable to open core file: " + path, LEVEL_INTERNAL);
        return 0;
    }
    const std::string header =
        "###############################################\n\tObrenta Core Dump " +
        datetime::OleDate::Now().Format() + "\n###############################################\n";
    std::fprintf(file.get(), "%s\n", header.c_str());
    SessionLock lock(session);
    for (std::size_t i = 0; i < session.jobs.Size(); ++i) {
        DumpJob(file.get(), *session.jobs.At(i));
    }
    return 1;
}

} // namespace ob::engine
