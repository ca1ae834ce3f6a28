#include "common/ftp/ftp_text_types.h"

#include "platform/text/ascii_case.h"

#include <mutex>

namespace ob::common::ftp {
namespace {

std::mutex& ListLock() {
    static std::mutex lock;
    return lock;
}

std::string& List() {
    static std::string list(kDefaultTextTypes);
    return list;
}

std::string Upper(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) {
        c = text::AsciiUpper(c);
    }
    return upper;
}

} // namespace

std::string TextTypes() {
    std::lock_guard guard(ListLock());
    return List();
}

std::string TextTypesProperty() {
    std::string list = TextTypes();
    if (!list.empty() && list.back() == '.') {
        list.pop_back();
    }
    return list;
}

bool SetTextTypes(std::string_view types) {
    std::lock_guard guard(ListLock());
    if (types.empty()) {
        List() = ".";
        return true;
    }
    if (types.front() != '.') {
        return false;
    }
    List() = Upper(types) + ".";
    return true;
}

TransferType TransferTypeFor(int mode, std::string_view fileName) {
    if (mode == kModeAscii) {
        return TransferType::kAscii;
    }
    if (mode == kModeBinary) {
        return TransferType::kBinary;
    }
    const std::size_t slash = fileName.find_last_of("/\\");
    const std::string_view base =
        slash == std::string_view::npos ? fileName : fileName.substr(slash + 1);
    const std::size_t dot = base.rfind('.');
    // Without an extension the key is ".." which no list holds.
    std::string key = dot == std::string_view::npos ? std::string(".") : Upper(base.substr(dot));
    key += '.';
    return TextTypes().find(key) != std::string::npos ? TransferType::kAscii
                                                      : TransferType::kBinary;
}

const char* ModeWord(int mode) {
    if (mode == kModeAscii) {
        return "Text";
    }
    return mode == kModeBinary ? "Binary" : "Auto";
}

} // namespace ob::common::ftp
