#include "engine/expansion/expand_text.h"

#include "engine/expansion/date_tokens.h"
#include "platform/env/environment.h"
#include "platform/text/ascii_case.h"
#include "platform/time/clock.h"
#include "platform/time/ole_date.h"
#include "variables/variable_manager.h"

#include <chrono>
#include <ctime>
#include <optional>
#include <string_view>

namespace ob::engine {

namespace {

// "%%" outside a %...% pair is parked as two carriage returns while the rounds run,
// so that neither of its signs can start or end a reference; the pair turns back
// into one "%" at the end.
constexpr char kMarker = '\r';

bool HasRoom(const std::string& text) {
    return text.size() <= kMaxExpandedSize;
}

bool HasPercent(const std::string& text) {
    return text.find('%') != std::string::npos;
}

/// Position of the first "%" + name + "%" in `text`, the name compared without
/// regard to case; npos when there is none.
std::size_t FindReference(std::string_view text, std::string_view name) {
    for (std::size_t at = text.find('%'); at != std::string_view::npos;
         at = text.find('%', at + 1)) {
        const std::size_t close = at + 1 + name.size();
        if (close >= text.size()) {
            return std::string_view::npos;
        }
        if (text[close] == '%' &&
            text::EqualsIgnoringCase(text.substr(at + 1, name.size()), name)) {
            return at;
        }
    }
    return std::string_view::npos;
}

std::optional<std::tm> LocalNow() {
    const std::time_t now = std::chrono::system_clock::to_time_t(clock::Now());
    std::tm local{};
    if (::localtime_r(&now, &local) == nullptr) {
        return std::nullopt;
    }
    return local;
}

std::string FormatToken(const DateToken& token, const std::tm& now) {
    if (token.token == "%i%") {
        return std::to_string(now.tm_wday + 1);
    }
    std::string pattern = "%";
    pattern += token.format;
    return datetime::FormatTime(pattern, now);
}

/// Step 2: the date tokens, each replaced at its first occurrence.
bool ReplaceDateTokens(std::string& text) {
    const std::optional<std::tm> now = LocalNow(); // one reading for the whole round
    if (!now) {
        return false;
    }
    bool replaced = false;
    for (const DateToken& token : DateTokens()) {
        const std::size_t at = text.find(token.token);
        if (at == std::string::npos) {
            continue;
        }
        if (!HasRoom(text)) {
            break;
        }
        text.replace(at, token.token.size(), FormatToken(token, *now));
        replaced = true;
    }
    return replaced;
}

/// Step 3: every environment variable replaced at the first occurrence of its
/// reference, walking the variables in definition order.
bool ReplaceEnvironmentReferences(std::string& text) {
    bool replaced = false;
    for (const auto& [name, value] : env::Snapshot()) {
        if (!HasPercent(text)) {
            break;
        }
        if (name.empty() || name.front() == '=') {
            continue;
        }
        const std::size_t at = FindReference(text, name);
        if (at == std::string::npos) {
            continue;
        }
        if (!HasRoom(text)) {
            break;
        }
        text.replace(at, name.size() + 2, value);
        replaced = true;
    }
    return replaced;
}

/// Step 4: the text between the first two "%" looked up in the environment, else
/// the persistent store; the reference is replaced by the value or removed.
bool ReplaceFirstReference(std::string& text) {
    const std::size_t open = text.find('%');
    if (open == std::string::npos) {
        return false;
    }
    const std::size_t close = text.find('%', open + 1);
    if (close == std::string::npos || !HasRoom(text)) {
        return false;
    }
    const std::string name = text.substr(open + 1, close - open - 1);
    std::optional<std::string> value;
    // A name with a NUL byte would be looked up cut short, as another variable:
    // no variable has such a name.
    if (name.find('\0') == std::string::npos) {
        value = vars::MainStore().Get(nullptr, name.c_str(), vars::ENV_PERSISTENT);
    }
    // The first "%" starts the first occurrence of "%NAME%" in any letter case.
    text.replace(open, close - open + 1, value.value_or(std::string()));
    return true;
}

void ParkEscapes(std::string& text) {
    bool open = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            continue;
        }
        if (!open && i + 1 < text.size() && text[i + 1] == '%') {
            text[i] = kMarker;
            text[i + 1] = kMarker;
            ++i;
        } else {
            open = !open;
        }
    }
}

void RestoreEscapes(std::string& text) {
    std::size_t out = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == kMarker && i + 1 < text.size() && text[i + 1] == kMarker) {
            text[out++] = '%';
            ++i;
        } else {
            text[out++] = text[i];
        }
    }
    text.resize(out);
}

} // namespace

bool ExpandRound(std::string& text) {
    if (!HasPercent(text) || !HasRoom(text)) {
        return false;
    }
    if (ReplaceDateTokens(text)) {
        return true;
    }
    if (ReplaceEnvironmentReferences(text)) {
        return true;
    }
    return ReplaceFirstReference(text);
}

bool ExpandText(std::string& text) {
    ParkEscapes(text);
    try {
        for (int round = 0; round < kMaxExpandRounds && ExpandRound(text); ++round) {
        }
    } catch (...) {
        // Out of memory: what was replaced so far stays, the rest is left as it is.
    }
    RestoreEscapes(text);
    return true;
}

std::string Expanded(std::string text) {
    ExpandText(text);
    return text;
}

} // namespace ob::engine
