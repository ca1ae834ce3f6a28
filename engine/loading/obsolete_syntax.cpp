#include "engine/loading/obsolete_syntax.h"

#include "engine/expansion/argument_tokeniser.h"
#include "engine/expansion/leading_integer.h"
#include "engine/jobs/time_statement.h"
#include "engine/session/engine_messages.h"
#include "engine/session/output.h"
#include "platform/text/ascii_case.h"
#include "platform/text/blank.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <string>
#include <vector>

namespace ob::engine {
namespace {

// Reads one "%d" conversion: white space, an optional sign, at least one digit.
// Values beyond the range of int are clamped instead of overflowing.
bool ReadInteger(std::string_view& text, int& value) {
    const LeadingNumber number = ReadLeadingNumber(text);
    if (!number.hasDigits) {
        return false;
    }
    value = number.value;
    text.remove_prefix(number.length);
    return true;
}

// The values read by "%*s %d %d %d %d": the first word is skipped, then up to four
// integers. Returns how many were read.
int ReadIncrement(std::string_view text, int (&values)[4]) {
    std::size_t i = 0;
    while (i < text.size() && text::IsBlank(text[i], text::kWhiteSpace)) {
        ++i;
    }
    if (i == text.size()) {
        return 0;
    }
    while (i < text.size() && !text::IsBlank(text[i], text::kWhiteSpace)) {
        ++i;
    }
    text.remove_prefix(i);
    int read = 0;
    while (read < 4 && ReadInteger(text, values[read])) {
        ++read;
    }
    return read;
}

// True when the options at the head of the action's text ("-" words) include -inc.
bool HasIncrementOption(const Statement& statement) {
    std::vector<std::string> words;
    if (ArgumentTokeniser(statement.Text(), 0, words) != TokeniseResult::Ok) {
        return false;
    }
    for (const std::string& word : words) {
        if (word.empty() || word[0] != '-') {
            return false;
        }
        if (text::EqualsIgnoringCase(word, "-inc")) {
            return true;
        }
    }
    return false;
}

} // namespace

void ApplyObsoleteIncrement(EngineSession& session, Job& job) {
    Statement* increment = nullptr;
    for (const auto& statement : job.Statements()) {
        if (statement->Kind() == KIND_ACTION && HasIncrementOption(*statement)) {
            increment = statement.get();
            break;
        }
    }
    if (increment == nullptr) {
        return;
    }
    increment->flags |= STF_INERT;
    increment->comment = kIncrementComment;

    int values[4] = {};
    const bool complete = ReadIncrement(increment->Text(), values) == 4;
    const datetime::OleDateSpan span(values[0], values[1], values[2], values[3]);
    // A span that does not move forwards would never let a repeating start pass
    // the current time; it is refused like any other malformed increment.
    const bool usable = complete && span.Days() > 0;

    for (const auto& statement : job.Statements()) {
        auto* start = dynamic_cast<TimeStatement*>(statement.get());
        if (start == nullptr || start->Kind() != KIND_START) {
            continue;
        }
        if (!usable) {
            SystemMessage(session, "Invalid syntax for: " + increment->Text(), LEVEL_OBSOLETE);
        } else if (start->increment.Days() == 0) {
            start->increment = span;
        } else {
            SystemMessage(session, "Job already has -inc. Ignoring: " + increment->Text(),
                          LEVEL_OBSOLETE);
        }
    }
}

} // namespace ob::engine
