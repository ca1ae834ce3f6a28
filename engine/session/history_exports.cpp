// The run history's exports (obrenta/history.h): enabling it for a session, and
// reading a history file into records the caller frees.

#include "common/regex/regex_program.h"
#include "engine/history/run_history.h"
#include "engine/session/with_session.h"
#include "history/history_database.h"
#include "history/history_listing.h"
#include "obrenta/history.h"
#include "variables/env_string.h"
#include "variables/variable_manager.h"

#include <memory>
#include <string>
#include <vector>

namespace ob::engine {
namespace {

// The storage behind an OB_History handed out: the runs as read, and the records
// pointing into them.
struct HistoryBlock {
    OB_History head{};
    std::vector<history::RunRecord> runs;
    std::vector<OB_HistoryRun> records;
    std::string problem;
};

OB_HistoryRun RecordOf(const history::RunRecord& run) {
    OB_HistoryRun record{};
    record.id = run.id;
    record.job = run.job.c_str();
    record.file = run.file.c_str();
    record.startMs = run.startMs;
    record.endMs = run.endMs;
    record.result = run.result;
    record.control = run.control.c_str();
    record.failure = static_cast<uint32_t>(run.failure);
    record.failedJob = run.failedJob.c_str();
    record.failedLine = run.failedLine;
    record.failedStatement = run.failedStatement.c_str();
    record.message = run.message.c_str();
    record.outputLines = run.outputLines;
    return record;
}

history::HistoryFilter FilterOf(const OB_HistoryQuery* query) {
    history::HistoryFilter filter;
    filter.limit = 0;
    if (query != nullptr) {
        filter.jobPattern = query->jobPattern != nullptr ? query->jobPattern : "";
        filter.sinceMs = query->sinceMs;
        filter.failedOnly = query->failedOnly != 0;
        filter.limit = query->limit;
    }
    return filter;
}

} // namespace
} // namespace ob::engine

extern "C" {

OB_EXPORT uint32_t OB_EnableHistory(OB_SESSION handle, const char* path) {
    return ob::engine::WithSession(handle, [&](ob::engine::EngineSession& s) -> uint32_t {
        return ob::engine::EnableHistory(s, path != nullptr ? path : "") ? OB_OK : OB_BUSY;
    });
}

OB_EXPORT uint32_t OB_ReadHistory(const char* path, const OB_HistoryQuery* query,
                                  OB_History** history) {
    using namespace ob::engine;
    if (history == nullptr) {
        return OB_INVALID;
    }
    *history = nullptr;
    try {
        const ob::history::HistoryFilter filter = FilterOf(query);
        if (!filter.jobPattern.empty() && !ob::common::CompileRegex(filter.jobPattern)) {
            return OB_INVALID;
        }
        auto block = std::make_unique<HistoryBlock>();
        const std::string file =
            path != nullptr ? std::string(path) : ob::history::HistoryDatabase::DefaultPath();
        const bool read =
            ob::history::HistoryDatabase::Read(file, filter, block->runs, block->problem);
        block->records.reserve(block->runs.size());
        for (const auto& run : block->runs) {
            block->records.push_back(RecordOf(run));
        }
        block->head.count = static_cast<uint32_t>(block->records.size());
        block->head.runs = block->records.data();
        block->head.problem = block->problem.c_str();
        block->head.reserved = block.get();
        *history = &block.release()->head;
        return read ? OB_OK : OB_FAILED;
    } catch (...) {
        return OB_INVALID;
    }
}

OB_EXPORT char* OB_FormatHistory(const OB_History* history, uint32_t form) {
    if (history == nullptr || (form != OB_HISTORY_TABLE && form != OB_HISTORY_JSON)) {
        return nullptr;
    }
    try {
        const auto& runs = static_cast<const ob::engine::HistoryBlock*>(history->reserved)->runs;
        if (form == OB_HISTORY_JSON) {
            return ob::vars::CopyEnvString(ob::history::HistoryJson(runs));
        }
        std::string text;
        for (const std::string& line : ob::history::HistoryTable(runs)) {
            text.append(line).append("\n");
        }
        return ob::vars::CopyEnvString(text);
    } catch (...) {
        return nullptr;
    }
}

OB_EXPORT void OB_ReleaseHistory(OB_History* history) {
    if (history != nullptr) {
        delete static_cast<ob::engine::HistoryBlock*>(history->reserved);
    }
}

} // extern "C"
