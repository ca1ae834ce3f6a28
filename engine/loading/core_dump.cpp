#include "engine/loading/core_dump.h"

#include "engine/jobs/action_statement.h"
#include "engine/session/engine_messages.h"
#include "engine/session/engine_session.h"
#include "engine/session/output.h"
#include "platform/fs/program_path.h"
#include "platform/lifetime/unique_fd.h"
#include "platform/registry/registry.h"
#include "platform/time/ole_date.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace ob::engine {
namespace {

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

// One job in the job-script language, its file name and flags as comments.
std::string DumpJob(const Job& job) {
    std::string text;
    text += "# Job $FILENAME->" + OrNull(job.GetVariable("$FILENAME")) + "\n";
    text += "# Job $FLAGS->" + OrNull(job.GetVariable("$FLAGS")) + "\n";
    text += "{\n";
    text += "\t-name " + OrNull(job.GetVariable("$NAME")) + "\n\n";
    for (const auto& statement : job.Statements()) {
        text += "\t# Statement line->" + std::to_string(statement->line) + "\n";
        text += "\t# Statement flags->" + std::to_string(statement->flags) + "\n";
        if (statement->Kind() == KIND_ENVIRONMENT) {
            text += "\t# (Internal Environment)\n\n";
        } else if (const char* word = KindWord(statement->Kind())) {
            text += "\t" + std::string(word) + " " + statement->Text() + "\n\n";
        }
    }
    text += "}\n\n";
    return text;
}

// The whole dump, cut before the job that would take it past the limit.
std::string DumpText(EngineSession& session) {
    std::string text = "###############################################\n\tObrenta Core Dump " +
                       datetime::OleDate::Now().Format() +
                       "\n###############################################\n\n";
    SessionLock lock(session);
    const std::size_t count = session.jobs.Size();
    for (std::size_t i = 0; i < count; ++i) {
        std::string job = DumpJob(*session.jobs.At(i));
        if (text.size() + job.size() > kMaxCoreFileBytes - 128) {
            text += "# The dump stops here at " + std::to_string(kMaxCoreFileBytes >> 20) +
                    " MB: " + std::to_string(count - i) + " more job(s) not written.\n\n";
            break;
        }
        text += job;
    }
    return text;
}

bool WriteAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t wrote = ::write(fd, text.data() + done, text.size() - done);
        if (wrote < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        done += static_cast<std::size_t>(wrote);
    }
    return true;
}

// Appends the dump; a file that would grow past the limit is kept as "<path>.1"
// and a new one started.
bool AppendDump(const std::string& path, const std::string& text) {
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    std::error_code ignored;
    if (!folder.empty()) {
        std::filesystem::create_directories(folder, ignored);
    }
    struct stat existing {};
    if (::stat(path.c_str(), &existing) == 0 &&
        static_cast<std::size_t>(existing.st_size) + text.size() > kMaxCoreFileBytes) {
        std::filesystem::rename(path, path + ".1", ignored);
    }
    UniqueFd file(
        ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (!file.Valid()) {
        return false;
    }
    // A file left by an older version may be readable by others.
    ::fchmod(file.Get(), 0600);
    return WriteAll(file.Get(), text) && file.Close() == 0;
}

} // namespace

std::string CoreDumpPath() {
    const std::string program = fs::ProgramPath();
    const registry::Root root = registry::RootWritable(registry::Root::LocalMachine)
                                    ? registry::Root::LocalMachine
                                    : registry::Root::CurrentUser;
    const std::string folder = registry::StoreDirectory(root);
    if (program.empty() || folder.empty()) {
        return {};
    }
    return (std::filesystem::path(folder) / std::filesystem::path(program).filename()).string() +
           ".core";
}

int WriteCoreDump(EngineSession& session, const std::string& path) {
    if (!AppendDump(path, DumpText(session))) {
        SystemMessage(session, "Unable to open core file: " + path, LEVEL_INTERNAL);
        return 0;
    }
    return 1;
}

} // namespace ob::engine
