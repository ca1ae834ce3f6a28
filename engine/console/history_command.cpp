#include "engine/console/history_command.h"

#include "engine/console/console_help.h"
#include "engine/history/run_history.h"
#include "history/history_database.h"
#include "history/history_filter.h"
#include "history/history_listing.h"
#include "platform/time/clock.h"

#include <chrono>

namespace ob::engine {
namespace {

std::vector<std::string> Words(std::string_view text) {
    std::vector<std::string> words;
    std::size_t at = 0;
    while (at < text.size()) {
        while (at < text.size() && (text[at] == ' ' || text[at] == '\t')) {
            ++at;
        }
        const std::size_t start = at;
        while (at < text.size() && text[at] != ' ' && text[at] != '\t') {
            ++at;
        }
        if (at > start) {
            words.emplace_back(text.substr(start, at - start));
        }
    }
    return words;
}

} // namespace

bool HistoryCommand(EngineSession& session, std::string_view arguments,
                    std::vector<std::string>& out) {
    const std::int64_t nowMs =
        std::chrono::duration_cast<std::chrono::milliseconds>(clock::Now().time_since_epoch())
            .count();
    std::string error;
    const auto request = history::ParseHistoryWords(Words(arguments), nowMs, false, error);
    if (!request) {
        out.push_back(error + "\r\n");
        for (std::string& line : HelpText("history")) {
            out.push_back(std::move(line));
        }
        return false;
    }
    std::vector<history::RunRecord> runs;
    std::string problem;
    if (!history::HistoryDatabase::Read(HistoryPathOf(session), request->filter, runs, problem)) {
        out.push_back(problem + "\r\n");
        return false;
    }
    for (const std::string& line : history::HistoryTable(runs)) {
        out.push_back(line + "\r\n");
    }
    return true;
}

} // namespace ob::engine
