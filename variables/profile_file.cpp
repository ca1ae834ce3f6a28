// The private profile file (see profile_file.h).
#include "variables/profile_file.h"
#include "platform/lifetime/unique_fd.h"
#include "platform/text/ascii_case.h"

#include "platform/registry/registry.h"
#include "platform/text/blank.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ob::vars {
namespace {

std::string_view Trim(std::string_view text) {
    return text::Trim(text, text::kBlankTab);
}

bool HasLineBreak(std::string_view text) {
    return text.find_first_of("\r\n") != std::string_view::npos;
}

bool IsBlankLine(std::string_view raw) {
    if (!raw.empty() && raw.back() == '\r') {
        raw.remove_suffix(1);
    }
    return Trim(raw).empty();
}

bool IsQuote(char c) {
    return c == '"' || c == '\'';
}

// One line of the file: its text as read (kept for unchanged lines) and what it is.
struct Line {
    enum class Kind { Other, Section, Entry };
    std::string raw;
    Kind kind = Kind::Other;
    std::string name;  // section or entry name, trimmed
    std::string value; // entry value, trimmed and unquoted
};

Line ParseLine(std::string raw) {
    Line line;
    std::string_view text(raw);
    if (!text.empty() && text.back() == '\r') {
        text.remove_suffix(1);
    }
    text = Trim(text);
    if (!text.empty() && text.front() == '[') {
        const std::size_t close = text.rfind(']');
        if (close != std::string_view::npos && close > 0) {
            line.kind = Line::Kind::Section;
            line.name = std::string(Trim(text.substr(1, close - 1)));
        }
    } else if (!text.empty()) {
        line.kind = Line::Kind::Entry;
        const std::size_t equals = text.find('=');
        line.name = std::string(Trim(text.substr(0, equals)));
        if (equals != std::string_view::npos) {
            std::string_view value = Trim(text.substr(equals + 1));
            if (value.size() >= 2 && IsQuote(value.front()) && value.back() == value.front()) {
                value = value.substr(1, value.size() - 2);
            }
            line.value = std::string(value);
        }
        if (line.name.empty()) {
            line.kind = Line::Kind::Other;
        }
    }
    line.raw = std::move(raw);
    return line;
}

// The value as it must be written to read back unchanged.
std::string EncodeValue(std::string_view value) {
    const bool loseBlanks = Trim(value).size() != value.size();
    const bool loseQuotes =
        value.size() >= 2 && IsQuote(value.front()) && value.back() == value.front();
    if (loseBlanks || loseQuotes) {
        return "\"" + std::string(value) + "\"";
    }
    return std::string(value);
}

// Reads the whole file. Nothing (and errno set) when it cannot be read; an absent
// file reads as empty when `missingIsEmpty`.
std::optional<std::string> ReadAll(const std::filesystem::path& path, bool missingIsEmpty) {
    ob::UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.Get() < 0) {
        if (errno == ENOENT && missingIsEmpty) {
            return std::string();
        }
        return std::nullopt;
    }
    std::string content;
    char buffer[8192];
    for (;;) {
        const ssize_t got = ::read(fd.Get(), buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return std::nullopt;
        }
        if (got == 0) {
            break;
        }
        content.append(buffer, static_cast<std::size_t>(got));
    }
    return content;
}

std::vector<Line> ParseFile(const std::string& content) {
    std::vector<Line> lines;
    std::size_t start = 0;
    while (start < content.size()) {
        std::size_t end = content.find('\n', start);
        if (end == std::string::npos) {
            end = content.size();
        }
        lines.push_back(ParseLine(content.substr(start, end - start)));
        start = end + 1;
    }
    return lines;
}

bool WriteAllTo(int fd, const std::string& content) {
    std::size_t done = 0;
    while (done < content.size()) {
        const ssize_t put = ::write(fd, content.data() + done, content.size() - done);
        if (put < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        done += static_cast<std::size_t>(put);
    }
    return true;
}

// Replaces the file by one holding `content`: a new file in the same directory,
// flushed to disk and renamed over the old one, keeping the old file's permissions.
bool ReplaceFile(const std::filesystem::path& path, const std::string& content) {
    std::string pattern = path.string() + ".XXXXXX";
    ob::UniqueFd fd(::mkostemp(pattern.data(), O_CLOEXEC));
    if (fd.Get() < 0) {
        return false;
    }
    struct stat old {};
    const mode_t mode = ::stat(path.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0600;
    const bool written =
        ::fchmod(fd.Get(), mode) == 0 && WriteAllTo(fd.Get(), content) && ::fsync(fd.Get()) == 0;
    if (fd.Close() != 0 || !written || ::rename(pattern.c_str(), path.c_str()) != 0) {
        ::unlink(pattern.c_str());
        return false;
    }
    // Make the rename itself durable; a failure here leaves the new content in place.
    ob::UniqueFd dir(::open(path.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.Get() >= 0) {
        ::fsync(dir.Get());
    }
    return true;
}

bool IsSectionEnd(const std::vector<Line>& lines, std::size_t i) {
    return i >= lines.size() || lines[i].kind == Line::Kind::Section;
}

bool IsSection(const Line& line, std::string_view section) {
    return line.kind == Line::Kind::Section && text::EqualsIgnoringCase(line.name, section);
}

bool IsEntry(const Line& line, std::string_view entry) {
    return line.kind == Line::Kind::Entry && text::EqualsIgnoringCase(line.name, entry);
}

// Removes every section named `section` with its lines. True when anything went.
bool DeleteSection(std::vector<Line>& lines, std::string_view section) {
    std::vector<Line> kept;
    bool inside = false;
    bool changed = false;
    for (Line& line : lines) {
        if (line.kind == Line::Kind::Section) {
            inside = text::EqualsIgnoringCase(line.name, section);
        }
        if (inside) {
            changed = true;
        } else {
            kept.push_back(std::move(line));
        }
    }
    lines = std::move(kept);
    return changed;
}

// Removes the entry from every section named `section`. True when anything went.
bool DeleteEntry(std::vector<Line>& lines, std::string_view section, std::string_view entry) {
    std::vector<Line> kept;
    bool inside = false;
    bool changed = false;
    for (Line& line : lines) {
        if (line.kind == Line::Kind::Section) {
            inside = text::EqualsIgnoringCase(line.name, section);
        }
        if (inside && IsEntry(line, entry)) {
            changed = true;
        } else {
            kept.push_back(std::move(line));
        }
    }
    lines = std::move(kept);
    return changed;
}

// Sets the entry in the first section named `section`, adding what is missing.
void SetEntry(std::vector<Line>& lines, std::string_view section, std::string_view entry,
              std::string_view value) {
    Line written = ParseLine(std::string(entry) + "=" + EncodeValue(value));
    std::size_t header = 0;
    while (header < lines.size() && !IsSection(lines[header], section)) {
        ++header;
    }
    if (header == lines.size()) {
        lines.push_back(ParseLine("[" + std::string(section) + "]"));
        lines.push_back(std::move(written));
        return;
    }
    std::size_t insertAt = header + 1;
    for (std::size_t i = header + 1; !IsSectionEnd(lines, i); ++i) {
        if (IsEntry(lines[i], entry)) {
            lines[i] = std::move(written);
            return;
        }
        if (lines[i].kind != Line::Kind::Other || !IsBlankLine(lines[i].raw)) {
            insertAt = i + 1;
        }
    }
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(insertAt), std::move(written));
}

std::string JoinLines(const std::vector<Line>& lines) {
    std::string content;
    for (const Line& line : lines) {
        content += line.raw;
        content += '\n';
    }
    return content;
}

} // namespace

ProfileFile::ProfileFile(std::filesystem::path path) : path_(std::move(path)) {}

std::string ProfileFile::Read(std::string_view section, std::string_view entry,
                              std::string_view fallback) const {
    if (path_.empty()) {
        return std::string(fallback);
    }
    const std::optional<std::string> content = ReadAll(path_, true);
    if (!content) {
        return std::string(fallback);
    }
    section = Trim(section);
    entry = Trim(entry);
    const std::vector<Line> lines = ParseFile(*content);
    for (std::size_t header = 0; header < lines.size(); ++header) {
        if (!IsSection(lines[header], section)) {
            continue;
        }
        // The first section of that name decides, as the first entry in it does.
        for (std::size_t i = header + 1; !IsSectionEnd(lines, i); ++i) {
            if (IsEntry(lines[i], entry)) {
                return lines[i].value;
            }
        }
        break;
    }
    return std::string(fallback);
}

bool ProfileFile::Write(std::string_view section, const char* entry, const char* value) const {
    section = Trim(section);
    if (path_.empty() || HasLineBreak(section)) {
        return false;
    }
    std::string_view entryName;
    if (entry != nullptr) {
        entryName = Trim(entry);
        if (entryName.empty() || HasLineBreak(entryName) ||
            entryName.find('=') != std::string_view::npos || entryName.front() == '[') {
            return false;
        }
        if (value != nullptr && HasLineBreak(value)) {
            return false;
        }
    }

    std::error_code ignored;
    std::filesystem::create_directories(path_.parent_path(), ignored);
    const std::string lockPath = path_.string() + ".lock";
    ob::UniqueFd lock(::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
    if (lock.Get() < 0) {
        return false;
    }
    while (::flock(lock.Get(), LOCK_EX) != 0) {
        if (errno != EINTR) {
            return false;
        }
    }

    // A file that exists but cannot be read is left alone rather than replaced.
    const std::optional<std::string> content = ReadAll(path_, true);
    if (!content) {
        return false;
    }
    std::vector<Line> lines = ParseFile(*content);
    if (entry == nullptr) {
        if (!DeleteSection(lines, section)) {
            return true;
        }
    } else if (value == nullptr) {
        if (!DeleteEntry(lines, section, entryName)) {
            return true;
        }
    } else {
        SetEntry(lines, section, entryName, value);
    }
    return ReplaceFile(path_, JoinLines(lines));
}

std::filesystem::path PrivateProfilePath(std::string_view product) {
    const std::string database = registry::DatabasePath(registry::Root::CurrentUser);
    if (database.empty() || product.empty()) {
        return {};
    }
    return std::filesystem::path(database).parent_path() / (std::string(product) + ".ini");
}

} // namespace ob::vars
