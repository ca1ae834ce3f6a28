#include "setup/text_replacement.h"

#include "platform/fs/whole_file.h"

#include <cerrno>
#include <span>
#include <sys/stat.h>
#include <unistd.h>

namespace ob::setup {

std::size_t ReplaceAll(std::string& text, std::string_view from, std::string_view to) {
    if (from.empty()) {
        return 0;
    }
    std::size_t count = 0;
    std::string result;
    std::size_t start = 0;
    for (std::size_t found = text.find(from); found != std::string::npos;
         found = text.find(from, start)) {
        if (count == 0) {
            result.reserve(text.size());
        }
        result.append(text, start, found - start);
        result.append(to);
        start = found + from.size();
        ++count;
    }
    if (count > 0) {
        result.append(text, start, std::string::npos);
        text = std::move(result);
    }
    return count;
}

FileReplacement ReplaceInFile(LogTag tag, const std::string& path, std::string_view from,
                              std::string_view to) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode) ||
        ::access(path.c_str(), R_OK | W_OK) != 0) {
        Log(tag, "can't open file " + path + "\n");
        return FileReplacement::Failed;
    }
    if (static_cast<std::uint64_t>(info.st_size) > kMaxPatchedFile) {
        Log(tag, "out of memory while operating on " + path + "\n");
        return FileReplacement::Failed;
    }
    const auto bytes = fs::ReadWholeFile(path, kMaxPatchedFile);
    if (!bytes) {
        Log(tag, "can't open file " + path + "\n");
        return FileReplacement::Failed;
    }
    std::string text(bytes->begin(), bytes->end());
    const std::size_t count = ReplaceAll(text, from, to);
    if (count == 0) {
        Log(tag, "\tno replacements needed in file " + path + "\n");
        return FileReplacement::NoneNeeded;
    }
    const auto* data = reinterpret_cast<const std::uint8_t*>(text.data());
    if (fs::ReplaceWholeFile(path, std::span<const std::uint8_t>(data, text.size())) != 0) {
        Log(tag, "can't write file " + path + "\n");
        return FileReplacement::Failed;
    }
    Log(tag, "\t" + std::to_string(count) + " replacements in file " + path + "\n");
    return FileReplacement::Replaced;
}

} // namespace ob::setup
