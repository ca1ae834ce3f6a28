#include "host/check_next.h"

#include "obrenta/preview.h"
#include "platform/time/local_time_text.h"

#include <array>
#include <charconv>
#include <string_view>

namespace ob::host {
namespace {

// The weekday of a "YYYY-MM-DD HH:MM:SS" text, "Sun" to "Sat".
std::string_view Weekday(const char* local) {
    static constexpr std::array<std::string_view, 7> kNames = {"Sun", "Mon", "Tue", "Wed",
                                                               "Thu", "Fri", "Sat"};
    datetime::DateParts parts;
    const auto date = datetime::ParseLocalDateTime(local);
    if (!date || !date->GetParts(parts) || parts.dayOfWeek < 0 || parts.dayOfWeek > 6) {
        return "   ";
    }
    return kNames[static_cast<std::size_t>(parts.dayOfWeek)];
}

bool ParseCount(std::string_view text, std::uint32_t& count) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), count);
    return error == std::errc() && end == text.data() + text.size() && count >= 1 &&
           count <= OB_PREVIEW_MAX_COUNT;
}

} // namespace

bool ParseCheckOptions(int argc, char** argv, CheckOptions& options, std::ostream& err) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view word = argv[i];
        if (word == "--next" || word == "--from") {
            if (i + 1 >= argc) {
                err << "obrenta: " << word << " needs a value\n";
                return false;
            }
            const std::string_view value = argv[++i];
            if (word == "--next") {
                std::uint32_t count = 0;
                if (!ParseCount(value, count)) {
                    err << "obrenta: --next takes a whole number from 1 to " << OB_PREVIEW_MAX_COUNT
                        << ", not '" << value << "'\n";
                    return false;
                }
                options.next = count;
            } else {
                if (!datetime::ParseLocalDateTime(value)) {
                    err << "obrenta: --from takes a local time written \"YYYY-MM-DD HH:MM:SS\", "
                           "not '"
                        << value << "'\n";
                    return false;
                }
                options.from = std::string(value);
            }
        } else if (word.size() > 1 && word[0] == '-') {
            err << "obrenta: unknown option " << word << "\n";
            return false;
        } else {
            options.files.emplace_back(word);
        }
    }
    if (options.from && !options.next) {
        err << "obrenta: --from goes with --next\n";
        return false;
    }
    if (options.files.empty()) {
        err << "obrenta: check needs a FILE\n";
        return false;
    }
    return true;
}

bool PrintNextTimes(OB_SESSION session, const CheckOptions& options, std::ostream& out,
                    std::ostream& err) {
    constexpr std::uint32_t kWaitMs = 30000;
    OB_Preview* preview = nullptr;
    const std::uint32_t result = OB_PreviewSchedule(
        session, options.from ? options.from->c_str() : nullptr, options.next.value_or(1),
        options.from ? OB_PREVIEW_AS_LOADED : 0, kWaitMs, &preview);
    if (result != OB_OK) {
        err << "obrenta: the engine gave no schedule preview (result " << result << ")\n";
        return false;
    }
    for (std::uint32_t j = 0; j < preview->jobCount; ++j) {
        const OB_JobPreview& job = preview->jobs[j];
        out << job.name;
        if (job.file[0] != '\0') {
            out << " (" << job.file << ")";
        }
        out << "\n";
        for (std::uint32_t t = 0; t < job.count; ++t) {
            const OB_FireTime& time = job.times[t];
            out << "  " << Weekday(time.local) << ' ' << time.local;
            if (time.zone[0] != '\0') {
                out << ' ' << time.zone;
            }
            out << "\n";
        }
        if (job.note[0] != '\0') {
            out << "  " << job.note << "\n";
        }
    }
    out.flush();
    OB_ReleasePreview(preview);
    return true;
}

} // namespace ob::host
