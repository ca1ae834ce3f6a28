// Fuzzes the texts a user gives the preview and the history: the local time of
// `check --next --from` and of `--since`, spans back from now, and the filter
// words of `obrenta history` and the console's `history` (the input split at
// blanks, as a console line is).
//
// Beyond not crashing: a local time the parser accepts prints back as the same
// text in its long form, and a filter it accepts has a limit in range and a job
// pattern that compiles.
#include "common/regex/regex_program.h"
#include "history/history_filter.h"
#include "platform/time/local_time_text.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    constexpr std::int64_t kNow = 1709546400000;

    if (const auto date = ob::datetime::ParseLocalDateTime(text)) {
        const std::string shown = ob::datetime::FormatLocalDateTime(*date);
        const auto again = ob::datetime::ParseLocalDateTime(shown);
        if (!again || ob::datetime::FormatLocalDateTime(*again) != shown ||
            (text.size() == shown.size() && text != shown && text[10] != 'T')) {
            __builtin_trap(); // an accepted time does not read back as itself
        }
    }
    (void)ob::history::ParseSince(text, kNow);

    std::vector<std::string> words;
    std::string word;
    for (const char c : text) {
        if (c == ' ' || c == '\t') {
            if (!word.empty()) {
                words.push_back(word);
                word.clear();
            }
        } else {
            word += c;
        }
    }
    if (!word.empty()) {
        words.push_back(word);
    }
    std::string error;
    const auto request = ob::history::ParseHistoryWords(words, kNow, true, error);
    if (request) {
        if (request->filter.limit > ob::history::kMaxLimit ||
            (!request->filter.jobPattern.empty() &&
             !ob::common::CompileRegex(request->filter.jobPattern))) {
            __builtin_trap(); // an accepted filter that cannot be applied
        }
    } else if (error.empty()) {
        __builtin_trap(); // refused without a reason
    }
    return 0;
}
