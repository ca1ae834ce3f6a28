#include "common/ftp/ftp_list_entry.h"

namespace ob::common::ftp {

bool IsSafeEntryName(std::string_view name) {
    if (name.empty() || name == "." || name == "..") {
        return false;
    }
    return name.find_first_of(std::string_view("/\\\0\r\n", 5)) == std::string_view::npos;
}

} // namespace ob::common::ftp
