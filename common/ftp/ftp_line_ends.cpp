#include "common/ftp/ftp_line_ends.h"

namespace ob::common::ftp {

void LfToCrLf::Convert(std::string_view piece, std::string& out) {
    for (char c : piece) {
        if (c == '\n' && !lastWasCr_) {
            out += '\r';
        }
        out += c;
        lastWasCr_ = c == '\r';
    }
}

} // namespace ob::common::ftp
