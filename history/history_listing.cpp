#include "history/history_listing.h"

#include "platform/time/local_time_text.h"
#include "platform/time/ole_date.h"

#include <cstdio>

namespace ob::history {
namespace {

constexpr std::int64_t kMsPerSecond = 1000;

std::string LocalTime(std::int64_t unixMs) {
    const auto seconds = static_cast<std::time_t>(unixMs / kMsPerSecond);
    return datetime::FormatLocalDateTime(datetime::OleDate::FromTimeT(seconds));
}

std::string Duration(const RunRecord& run) {
    const std::int64_t ms = run.endMs > run.startMs ? run.endMs - run.startMs : 0;
    char text[32];
    std::snprintf(text, sizeof text, "%lld.%03llds", static_cast<long long>(ms / kMsPerSecond),
                  static_cast<long long>(ms % kMsPerSecond));
    return text;
}

const char* FailureWord(Failure failure) {
    switch (failure) {
    case Failure::Soft:
        return "soft";
    case Failure::Fatal:
        return "fatal";
    case Failure::None:
        break;
    }
    return "none";
}

// `text` padded with blanks to `width` (left-aligned) or right-aligned.
std::string Padded(const std::string& text, std::size_t width, bool right = false) {
    if (text.size() >= width) {
        return text;
    }
    const std::string fill(width - text.size(), ' ');
    return right ? fill + text : text + fill;
}

// The length of the valid UTF-8 sequence at `at`, or 0.
std::size_t Utf8Length(const std::string& text, std::size_t at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    std::size_t length = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
    } else {
        return 0;
    }
    if (at + length > text.size()) {
        return 0;
    }
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80) {
            return 0;
        }
    }
    // No overlong forms, surrogates or values past U+10FFFF.
    const unsigned char second = byte(at + 1);
    if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second > 0x9F) ||
        (lead == 0xF0 && second < 0x90) || (lead == 0xF4 && second > 0x8F)) {
        return 0;
    }
    return length;
}

void AppendString(std::string& out, const std::string& text) {
    out += '"';
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        char escape[8];
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c < 0x20 || c == 0x7F) {
            std::snprintf(escape, sizeof escape, "\\u%04x", c);
            out += escape;
        } else if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (const std::size_t length = Utf8Length(text, i)) {
            out.append(text, i, length);
            i += length - 1;
        } else {
            std::snprintf(escape, sizeof escape, "\\u%04x", c);
            out += escape;
        }
    }
    out += '"';
}

void AppendField(std::string& out, const char* name, const std::string& text) {
    out.append(",\"").append(name).append("\":");
    AppendString(out, text);
}

void AppendField(std::string& out, const char* name, std::int64_t number) {
    out.append(",\"").append(name).append("\":").append(std::to_string(number));
}

} // namespace

std::vector<std::string> HistoryTable(const std::vector<RunRecord>& runs) {
    std::vector<std::string> lines;
    if (runs.empty()) {
        lines.emplace_back("(no runs)");
        return lines;
    }
    const auto line = [](const std::string& start, const std::string& took,
                         const std::string& outcome, const std::string& output,
                         const std::string& job) {
        return Padded(start, 19) + "  " + Padded(took, 10, true) + "  " + Padded(outcome, 8) +
               "  " + Padded(output, 5, true) + "  " + job;
    };
    lines.push_back(line("STARTED", "TOOK", "OUTCOME", "LINES", "JOB"));
    for (const RunRecord& run : runs) {
        lines.push_back(line(LocalTime(run.startMs), Duration(run), run.control,
                             std::to_string(run.outputLines), run.job));
        if (run.failure != Failure::None) {
            std::string where = "    " + std::string(FailureWord(run.failure)) +
                                " failure at line " + std::to_string(run.failedLine);
            if (run.failedJob != run.job) {
                where += " of " + run.failedJob;
            }
            lines.push_back(where + " \"" + run.failedStatement + "\": " + run.message);
        }
    }
    return lines;
}

std::string HistoryJson(const std::vector<RunRecord>& runs) {
    std::string out = "[";
    for (std::size_t i = 0; i < runs.size(); ++i) {
        const RunRecord& run = runs[i];
        out += i == 0 ? "\n" : ",\n";
        out += "{\"id\":" + std::to_string(run.id);
        AppendField(out, "job", run.job);
        AppendField(out, "file", run.file);
        AppendField(out, "start", LocalTime(run.startMs));
        AppendField(out, "start_ms", run.startMs);
        AppendField(out, "end_ms", run.endMs);
        AppendField(out, "result", static_cast<std::int64_t>(run.result));
        AppendField(out, "control", run.control);
        out.append(",\"failed\":").append(run.Failed() ? "true" : "false");
        AppendField(out, "failure", std::string(FailureWord(run.failure)));
        AppendField(out, "failed_job", run.failedJob);
        AppendField(out, "failed_line", static_cast<std::int64_t>(run.failedLine));
        AppendField(out, "failed_statement", run.failedStatement);
        AppendField(out, "message", run.message);
        AppendField(out, "output_lines", static_cast<std::int64_t>(run.outputLines));
        out += "}";
    }
    out += runs.empty() ? "]\n" : "\n]\n";
    return out;
}

} // namespace ob::history
