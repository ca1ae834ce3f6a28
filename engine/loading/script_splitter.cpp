#include "engine/loading/script_splitter.h"

#include "engine/loading/line_reader.h"
#include "platform/text/blank.h"

namespace ob::engine {
namespace {

// The most a job-text comment line may hold, newline included, so that the block
// parser reads it back as exactly one line.
constexpr std::size_t kLongestJobLine = LineReader::kBufferSize - 1;

enum class LineKind { JobLine, ScriptLine };

// The first character of a line after its leading white space, or 0 when blank.
char FirstNonBlank(std::string_view line) {
    const std::string_view rest = text::TrimLeft(line, text::kWhiteSpace);
    return rest.empty() ? '\0' : rest.front();
}

bool EndsWithNewline(std::string_view text) {
    return !text.empty() && text.back() == '\n';
}

// A line that belongs to the job text: the job text keeps it as it is, and the
// script text receives it as VBScript comments. The block parser reads a line
// longer than its buffer as several lines, so the script text gets one comment line
// for every piece the parser will count, keeping line numbers in step.
void AddJobLine(SplitScript& out, std::string_view line) {
    out.jobText.append(line);
    LineReader pieces(line);
    std::string_view piece;
    while (pieces.Next(piece)) {
        out.scriptText.append("' ").append(piece);
        // Only the last piece of a line can end without a newline, and only at the
        // end of the file, where none is added either.
        if (!EndsWithNewline(piece) && !pieces.AtEnd()) {
            out.scriptText.push_back('\n');
        }
    }
}

// A VBScript line: the script text keeps it whole (breaking it would break the
// code), and the job text receives one comment line. That comment is cut short so
// that the block parser reads it as a single line; otherwise the pieces of a long
// script line after the first would be read as job text.
void AddScriptLine(SplitScript& out, std::string_view line) {
    out.scriptText.append(line);
    const bool newline = EndsWithNewline(line);
    std::string_view body = newline ? line.substr(0, line.size() - 1) : line;
    constexpr std::string_view kPrefix = "# ";
    const std::size_t room = kLongestJobLine - kPrefix.size() - 1;
    if (body.size() > room) {
        body = body.substr(0, room);
    }
    out.jobText.append(kPrefix).append(body);
    if (newline) {
        out.jobText.push_back('\n');
    }
}

} // namespace

SplitScript SplitJobScript(std::string_view content) {
    SplitScript out;
    out.jobText.reserve(content.size() + content.size() / 8);
    out.scriptText.reserve(content.size() + content.size() / 8);

    bool inBlock = false;
    std::size_t position = 0;
    while (position < content.size()) {
        const std::size_t newline = content.find('\n', position);
        const std::size_t end = newline == std::string_view::npos ? content.size() : newline + 1;
        const std::string_view line = content.substr(position, end - position);
        position = end;

        // A line is judged by its first character after leading white space. Blocks
        // do not nest here: a "{" inside a block is an ordinary block line.
        LineKind kind = inBlock ? LineKind::JobLine : LineKind::ScriptLine;
        switch (FirstNonBlank(line)) {
        case '#':
            kind = LineKind::JobLine;
            break;
        case '{':
            kind = LineKind::JobLine;
            inBlock = true;
            break;
        case '}':
            kind = LineKind::JobLine;
            inBlock = false;
            break;
        default:
            break;
        }
        if (kind == LineKind::JobLine) {
            AddJobLine(out, line);
        } else {
            AddScriptLine(out, line);
        }
    }
    return out;
}

} // namespace ob::engine
