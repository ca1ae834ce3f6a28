#include "OBCoreLib/at/atd_listing.h"

#include "OBCoreLib/at/job_tag.h"
#include "OBCoreLib/at/listing_text.h"
#include "platform/text/blank.h"

#include <array>

namespace ob::at {
namespace {

using datetime::OleDate;

constexpr std::array<std::string_view, 12> kMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                      "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

std::vector<std::string_view> Words(std::string_view text) {
    std::vector<std::string_view> words;
    std::size_t at = 0;
    while ((at = text.find_first_not_of(text::kBlankTab, at)) != std::string_view::npos) {
        const std::size_t end = std::min(text.find_first_of(text::kBlankTab, at), text.size());
        words.push_back(text.substr(at, end - at));
        at = end;
    }
    return words;
}

OleDate DateFromWords(std::string_view month, std::string_view day, std::string_view time,
                      std::string_view year) {
    int monthNumber = 0;
    for (std::size_t i = 0; i < kMonths.size(); ++i) {
        if (month == kMonths[i]) {
            monthNumber = static_cast<int>(i) + 1;
        }
    }
    int dayNumber = 0;
    int yearNumber = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    if (monthNumber == 0 || !WholeNumber(day, dayNumber) || !WholeNumber(year, yearNumber) ||
        time.size() != 8 || time[2] != ':' || time[5] != ':' ||
        !WholeNumber(time.substr(0, 2), hour) || !WholeNumber(time.substr(3, 2), minute) ||
        !WholeNumber(time.substr(6, 2), second) || hour > 23 || minute > 59 || second > 59) {
        return OleDate::InvalidDate();
    }
    return OleDate::FromParts(yearNumber, monthNumber, dayNumber, hour, minute, second);
}

} // namespace

OleDate ParseCTime(std::string_view text) {
    std::vector<std::string_view> words = Words(text);
    if (words.size() == 5) {
        words.erase(words.begin()); // the weekday
    }
    if (words.size() != 4) {
        return OleDate::InvalidDate();
    }
    return DateFromWords(words[0], words[1], words[2], words[3]);
}

std::vector<AtqEntry> ParseAtqListing(std::string_view text) {
    std::vector<AtqEntry> entries;
    for (const std::string_view line : SplitLines(text)) {
        const std::vector<std::string_view> words = Words(line);
        // ID, weekday, month, day, time, year, queue, user
        AtqEntry entry;
        if (words.size() != 8 || !WholeNumber(words[0], entry.id) || words[6].size() != 1) {
            continue;
        }
        entry.when = DateFromWords(words[2], words[3], words[4], words[5]);
        if (!entry.when.IsValid()) {
            continue;
        }
        entry.queue = words[6][0];
        entry.user = std::string(words[7]);
        entries.push_back(std::move(entry));
    }
    return entries;
}

std::optional<std::uint32_t> ParseAtJobNumber(std::string_view output) {
    for (const std::string_view line : SplitLines(output)) {
        const std::vector<std::string_view> words = Words(line);
        std::uint32_t id = 0;
        if (words.size() >= 3 && words[0] == "job" && words[2] == "at" &&
            WholeNumber(words[1], id)) {
            return id;
        }
    }
    return std::nullopt;
}

void ReadAtJobText(std::string_view text, AtJobRecord& job) {
    const std::vector<std::string_view> lines = SplitLines(text);
    for (const std::string_view line : lines) {
        if (line.starts_with("# ") && ParseJobTag(line.substr(2), job)) {
            return;
        }
    }
    // Another program's job: what follows the "cd DIR || {" ... "}" block.
    job.flags = 0;
    job.daysOfMonth = 0;
    job.daysOfWeek = 0;
    job.command.clear();
    bool inCd = false;
    for (const std::string_view line : lines) {
        if (line.starts_with("cd ") && line.ends_with("|| {")) {
            inCd = true;
        } else if (inCd && line == "}") {
            const auto lineEnd = static_cast<std::size_t>(line.data() - text.data()) + line.size();
            job.command = std::string(text.substr(std::min(text.find('\n', lineEnd), text.size())));
            job.command.erase(0, 1); // the line break after "}"
            break;
        }
    }
    while (!job.command.empty() && job.command.back() == '\n') {
        job.command.pop_back();
    }
}

} // namespace ob::at
