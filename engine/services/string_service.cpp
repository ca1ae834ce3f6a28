#include "engine/services/string_service.h"

#include "engine/actions/path_parts.h"
#include "engine/expansion/leading_integer.h"
#include "obrenta/service.h"
#include "platform/text/ascii_case.h"
#include "variables/variable_manager.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace ob::engine {
namespace {

/// Longest path FullPath builds (Linux's PATH_MAX, like the engine's path splitting).
constexpr std::size_t kMaxFullPath = 4096;

/// Longest result a method builds (Replace is the one that can multiply its input).
constexpr std::size_t kMaxResult = 16u * 1024u * 1024u;

constexpr std::string_view kDefaultTrimSet = "\n\r\t ";

/// The words of one call: words[1] is the method, the method's own words follow.
class Call {
public:
    explicit Call(const char* const* words) {
        for (std::size_t i = 0; words != nullptr && words[i] != nullptr; ++i) {
            words_.emplace_back(words[i]);
        }
    }
    std::size_t Size() const { return words_.size(); }
    bool Has(std::size_t index) const { return index < words_.size(); }
    const std::string& operator[](std::size_t index) const { return words_[index]; }
    int Number(std::size_t index) const { return LeadingInteger(words_[index]); }

private:
    std::vector<std::string> words_;
};

void Store(const std::string& variable, const std::string& value) {
    vars::MainStore().PutEnv(nullptr, variable.c_str(), value.c_str(), vars::ENV_TRANSIENT);
}

std::int32_t Fail(const std::string& message) {
    vars::MainStore().SetLastErrorText(message.c_str());
    return OB_SVC_FAILED;
}

/// A count or position clamped to 0..limit.
std::size_t Clamp(int value, std::size_t limit) {
    if (value <= 0) {
        return 0;
    }
    return std::min(static_cast<std::size_t>(value), limit);
}

std::string Position(std::size_t position) {
    return position == std::string::npos ? std::string("-1") : std::to_string(position);
}

int CompareTexts(const std::string& a, const std::string& b, bool caseSensitive) {
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        const unsigned char x =
            static_cast<unsigned char>(caseSensitive ? a[i] : text::AsciiLower(a[i]));
        const unsigned char y =
            static_cast<unsigned char>(caseSensitive ? b[i] : text::AsciiLower(b[i]));
        if (x != y) {
            return x < y ? -1 : 1;
        }
    }
    if (a.size() == b.size()) {
        return 0;
    }
    return a.size() < b.size() ? -1 : 1;
}

std::string ReplaceAll(const std::string& text, const std::string& old, const std::string& by) {
    if (old.empty()) {
        return text;
    }
    std::string result;
    std::size_t from = 0;
    for (std::size_t at = text.find(old); at != std::string::npos; at = text.find(old, from)) {
        result.append(text, from, at - from).append(by);
        from = at + old.size();
    }
    result.append(text, from);
    return result;
}

std::string MakePath(const std::string& drive, const std::string& directory,
                     const std::string& name, const std::string& extension) {
    std::string path;
    if (!drive.empty()) {
        path += drive.front();
        path += ':';
    }
    path += directory;
    // Linux separates with "/"; a directory already ending in either separator
    // gets none.
    if (!directory.empty() && directory.back() != '/' && directory.back() != '\\') {
        path += '/';
    }
    path += name;
    if (!extension.empty()) {
        if (extension.front() != '.') {
            path += '.';
        }
        path += extension;
    }
    return path;
}

std::int32_t FullPath(const std::string& result, const std::string& relative) {
    std::error_code error;
    std::filesystem::path path(relative);
    if (!path.is_absolute()) {
        const std::filesystem::path current = std::filesystem::current_path(error);
        if (error) {
            return Fail("Unable to build the full path of \"" + relative +
                        "\": " + error.message());
        }
        path = current / path;
    }
    std::string full = path.lexically_normal().string();
    // "/tmp/x/." normalises to "/tmp/x/"; the root keeps its slash.
    if (full.size() > 1 && full.back() == '/') {
        full.pop_back();
    }
    if (full.size() > kMaxFullPath) {
        return Fail("Unable to build the full path of \"" + relative + "\": too long.");
    }
    Store(result, full);
    return OB_SVC_OK;
}

using Method = std::int32_t (*)(const Call& call);

// Each method finds r in call[2] and s in call[3]; the table holds how many words
// after the method are required.
struct MethodEntry {
    std::string_view name;
    std::size_t required; ///< words after the method that must be present
    Method run;
};

std::int32_t Len(const Call& c) {
    Store(c[2], std::to_string(c[3].size()));
    return OB_SVC_OK;
}

std::int32_t IsEmpty(const Call& c) {
    Store(c[2], c[3].empty() ? "1" : "0");
    return OB_SVC_OK;
}

std::int32_t GetAt(const Call& c) {
    const int index = c.Number(4);
    if (index < 0 || static_cast<std::size_t>(index) >= c[3].size()) {
        return Fail("Index " + std::to_string(index) + " is outside the string.");
    }
    Store(c[2], std::string(1, c[3][static_cast<std::size_t>(index)]));
    return OB_SVC_OK;
}

std::int32_t SetAt(const Call& c) {
    if (c[5].empty()) {
        return OB_SVC_TOO_FEW; // no character to put there
    }
    const int index = c.Number(4);
    if (index < 0 || static_cast<std::size_t>(index) >= c[3].size()) {
        return Fail("Index " + std::to_string(index) + " is outside the string.");
    }
    std::string text = c[3];
    text[static_cast<std::size_t>(index)] = c[5].front();
    Store(c[2], text);
    return OB_SVC_OK;
}

std::int32_t Compare(const Call& c) {
    const bool caseSensitive = c.Has(5) && c.Number(5) != 0;
    Store(c[2], std::to_string(CompareTexts(c[3], c[4], caseSensitive)));
    return OB_SVC_OK;
}

std::int32_t Mid(const Call& c) {
    const std::string& s = c[3];
    const std::size_t start = Clamp(c.Number(4), s.size());
    const std::size_t count = c.Has(5) ? Clamp(c.Number(5), s.size() - start) : s.size() - start;
    Store(c[2], s.substr(start, count));
    return OB_SVC_OK;
}

std::int32_t Left(const Call& c) {
    Store(c[2], c[3].substr(0, Clamp(c.Number(4), c[3].size())));
    return OB_SVC_OK;
}

std::int32_t Right(const Call& c) {
    const std::size_t count = Clamp(c.Number(4), c[3].size());
    Store(c[2], c[3].substr(c[3].size() - count));
    return OB_SVC_OK;
}

std::int32_t SpanIncluding(const Call& c) {
    const std::size_t end = c[3].find_first_not_of(c[4]);
    Store(c[2], c[3].substr(0, end));
    return OB_SVC_OK;
}

std::int32_t SpanExcluding(const Call& c) {
    const std::size_t end = c[4].empty() ? std::string::npos : c[3].find_first_of(c[4]);
    Store(c[2], c[3].substr(0, end));
    return OB_SVC_OK;
}

std::int32_t MakeUpper(const Call& c) {
    std::string text = c[3];
    std::transform(text.begin(), text.end(), text.begin(),
                   [](char ch) { return text::AsciiUpper(ch); });
    Store(c[2], text);
    return OB_SVC_OK;
}

std::int32_t MakeLower(const Call& c) {
    Store(c[2], text::AsciiLower(c[3]));
    return OB_SVC_OK;
}

std::int32_t MakeReverse(const Call& c) {
    Store(c[2], std::string(c[3].rbegin(), c[3].rend()));
    return OB_SVC_OK;
}

std::int32_t Replace(const Call& c) {
    // Every occurrence may grow by the whole replacement: refuse what would not fit
    // a sane variable instead of exhausting memory.
    const std::string& text = c[3];
    const std::string& old = c[4];
    const std::string& by = c[5];
    if (!old.empty() && by.size() > old.size()) {
        std::size_t occurrences = 0;
        for (std::size_t at = text.find(old); at != std::string::npos;
             at = text.find(old, at + old.size())) {
            ++occurrences;
        }
        if (occurrences > (kMaxResult - text.size()) / (by.size() - old.size())) {
            return Fail("The result of Replace would be longer than " +
                        std::to_string(kMaxResult / (1024 * 1024)) + " MB.");
        }
    }
    Store(c[2], ReplaceAll(text, old, by));
    return OB_SVC_OK;
}

std::int32_t Insert(const Call& c) {
    std::string text = c[3];
    text.insert(Clamp(c.Number(4), text.size()), c[5]);
    Store(c[2], text);
    return OB_SVC_OK;
}

std::int32_t Delete(const Call& c) {
    std::string text = c[3];
    const std::size_t index = Clamp(c.Number(4), text.size());
    text.erase(index, Clamp(c.Number(5), text.size() - index));
    Store(c[2], text);
    return OB_SVC_OK;
}

std::int32_t TrimLeft(const Call& c) {
    const std::string_view set = c.Has(4) ? std::string_view(c[4]) : kDefaultTrimSet;
    const std::size_t begin = c[3].find_first_not_of(set);
    Store(c[2], begin == std::string::npos ? std::string() : c[3].substr(begin));
    return OB_SVC_OK;
}

std::int32_t TrimRight(const Call& c) {
    const std::string_view set = c.Has(4) ? std::string_view(c[4]) : kDefaultTrimSet;
    const std::size_t last = c[3].find_last_not_of(set);
    Store(c[2], last == std::string::npos ? std::string() : c[3].substr(0, last + 1));
    return OB_SVC_OK;
}

std::int32_t Find(const Call& c) {
    const int start = c.Has(5) ? c.Number(5) : 0;
    const std::size_t from = start < 0 ? 0 : static_cast<std::size_t>(start);
    const std::size_t at = from > c[3].size() ? std::string::npos : c[3].find(c[4], from);
    Store(c[2], Position(at));
    return OB_SVC_OK;
}

std::int32_t ReverseFind(const Call& c) {
    if (c[4].empty()) {
        return OB_SVC_TOO_FEW; // no character to look for
    }
    Store(c[2], Position(c[3].rfind(c[4].front())));
    return OB_SVC_OK;
}

std::int32_t FindOneOf(const Call& c) {
    Store(c[2], Position(c[3].find_first_of(c[4])));
    return OB_SVC_OK;
}

std::int32_t MakePathMethod(const Call& c) {
    Store(c[2], MakePath(c[3], c[4], c[5], c[6]));
    return OB_SVC_OK;
}

std::int32_t SplitPathMethod(const Call& c) {
    const PathParts parts = SplitPathParts(c[2]);
    Store(c[3], parts.drive);
    Store(c[4], parts.dir);
    Store(c[5], parts.fname);
    Store(c[6], parts.ext);
    return OB_SVC_OK;
}

std::int32_t FullPathMethod(const Call& c) {
    return FullPath(c[2], c[3]);
}

constexpr auto kMethods = std::to_array<MethodEntry>({
    {"Len", 2, Len},
    {"IsEmpty", 2, IsEmpty},
    {"GetAt", 3, GetAt},
    {"SetAt", 4, SetAt},
    {"Compare", 3, Compare},
    {"Mid", 3, Mid},
    {"Left", 3, Left},
    {"Right", 3, Right},
    {"SpanIncluding", 3, SpanIncluding},
    {"SpanExcluding", 3, SpanExcluding},
    {"MakeUpper", 2, MakeUpper},
    {"MakeLower", 2, MakeLower},
    {"MakeReverse", 2, MakeReverse},
    {"Replace", 4, Replace},
    {"Insert", 4, Insert},
    {"Delete", 4, Delete},
    {"TrimLeft", 2, TrimLeft},
    {"TrimRight", 2, TrimRight},
    {"Find", 3, Find},
    {"ReverseFind", 3, ReverseFind},
    {"FindOneOf", 3, FindOneOf},
    {"MakePath", 5, MakePathMethod},
    {"SplitPath", 5, SplitPathMethod},
    {"FullPath", 2, FullPathMethod},
});

} // namespace

std::int32_t StringService(const char* const* words) {
    const Call call(words);
    if (!call.Has(1)) {
        return OB_SVC_BAD_FORMAT;
    }
    const std::string& method = call[1];
    if (text::EqualsIgnoringCase(method, "STRING.VERSION")) {
        Store("STRING.VERSION", "Obrenta STRING version 2.0");
        return OB_SVC_OK;
    }
    for (const MethodEntry& entry : kMethods) {
        if (text::EqualsIgnoringCase(method, entry.name)) {
            if (call.Size() < 2 + entry.required) {
                return OB_SVC_TOO_FEW;
            }
            return entry.run(call);
        }
    }
    return OB_SVC_UNKNOWN;
}

} // namespace ob::engine
