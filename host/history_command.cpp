#include "host/history_command.h"

#include "history/history_filter.h"
#include "obrenta/history.h"
#include "platform/time/clock.h"

#include <chrono>
#include <string>
#include <vector>

namespace ob::host {

int HistoryCommand(int argc, char** argv, std::ostream& out, std::ostream& err) {
    const std::int64_t nowMs =
        std::chrono::duration_cast<std::chrono::milliseconds>(clock::Now().time_since_epoch())
            .count();
    std::string error;
    const auto request = history::ParseHistoryWords(std::vector<std::string>(argv + 1, argv + argc),
                                                    nowMs, true, error);
    if (!request) {
        err << "obrenta: " << error << "\n"
            << "usage: obrenta history [--job PATTERN] [--since TIME] [--failed] [--limit N] "
               "[--json]\n";
        return 2;
    }
    OB_HistoryQuery query{};
    query.jobPattern = request->filter.jobPattern.c_str();
    query.sinceMs = request->filter.sinceMs;
    query.failedOnly = request->filter.failedOnly ? 1 : 0;
    query.limit = request->filter.limit;
    OB_History* history = nullptr;
    const std::uint32_t result = OB_ReadHistory(nullptr, &query, &history);
    if (history == nullptr) {
        err << "obrenta: the history cannot be read (result " << result << ")\n";
        return 1;
    }
    int status = 0;
    if (result != OB_OK) {
        err << "obrenta: " << history->problem << "\n";
        status = 1;
    } else if (char* text =
                   OB_FormatHistory(history, request->json ? OB_HISTORY_JSON : OB_HISTORY_TABLE)) {
        out << text;
        OB_ReleaseEnvString(text);
    }
    OB_ReleaseHistory(history);
    return status;
}

} // namespace ob::host
