#include "mail/attachment_file.h"

#include "platform/text/ascii_case.h"

#include <array>
#include <cerrno>
#include <fcntl.h>

namespace ob::mail {
namespace {

constexpr std::size_t kMaxName = 127;
constexpr std::size_t kMaxExtension = 16;
constexpr int kMaxVariants = 9999;

bool IsForbidden(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7f ||
           std::string_view("\"*/:<=>?\\|").find(c) != std::string_view::npos;
}

// Names that Windows reserves for devices, with or without an extension: kept off
// shares that Windows machines also read.
bool IsDeviceName(std::string_view name) {
    const std::string stem = text::AsciiLower(name.substr(0, name.find('.')));
    static constexpr std::array<std::string_view, 4> kPlain{"con", "prn", "aux", "nul"};
    for (const auto device : kPlain) {
        if (stem == device) {
            return true;
        }
    }
    return stem.size() == 4 && (stem.rfind("com", 0) == 0 || stem.rfind("lpt", 0) == 0) &&
           stem[3] >= '1' && stem[3] <= '9';
}

// Cuts `text` to at most `size` bytes without splitting a UTF-8 sequence.
std::string_view CutUtf8(std::string_view text, std::size_t size) {
    if (text.size() <= size) {
        return text;
    }
    while (size > 0 && (static_cast<unsigned char>(text[size]) & 0xC0) == 0x80) {
        --size;
    }
    return text.substr(0, size);
}

std::string Variant(const std::string& name, int number) {
    const auto dot = name.rfind('.');
    const bool hasExtension = dot != std::string::npos && dot > 0;
    std::string variant = hasExtension ? name.substr(0, dot) : name;
    variant += " (" + std::to_string(number) + ")";
    if (hasExtension) {
        variant += name.substr(dot);
    }
    return variant;
}

} // namespace

std::string SafeAttachmentName(std::string_view name) {
    std::string safe(name);
    for (char& c : safe) {
        if (IsForbidden(c)) {
            c = '_';
        }
    }
    const auto first = safe.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return "noname";
    }
    safe = safe.substr(first, safe.find_last_not_of(" \t") - first + 1);
    if (safe.front() == '.') {
        safe.front() = '_';
    }
    if (IsDeviceName(safe)) {
        safe.insert(0, "_");
    }
    if (safe.size() > kMaxName) {
        const auto dot = safe.rfind('.');
        const std::string extension =
            dot != std::string::npos && safe.size() - dot <= kMaxExtension ? safe.substr(dot) : "";
        const std::string stem(CutUtf8(safe, kMaxName - extension.size()));
        safe = stem + extension;
    }
    return safe;
}

UniqueFd CreateAttachmentFile(const std::string& directory, const std::string& name,
                              std::string& path) {
    const std::string base =
        directory.empty() || directory.back() == '/' ? directory : directory + "/";
    for (int number = 0; number <= kMaxVariants; ++number) {
        const std::string candidate = base + (number == 0 ? name : Variant(name, number));
        UniqueFd fd(::open(candidate.c_str(),
                           O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, 0666));
        if (fd.Valid()) {
            path = candidate;
            return fd;
        }
        if (errno != EEXIST) {
            break;
        }
    }
    path = base + name;
    return UniqueFd();
}

} // namespace ob::mail
