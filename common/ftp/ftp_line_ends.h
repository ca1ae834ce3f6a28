// Line ends of text-mode uploads. On the wire a text file's lines end in CR LF;
// on Linux a text file's lines end in LF. The converter works on a stream given
// in pieces of any size. (Text downloads use libcurl's own conversion.) One
// thread at a time per converter.
#pragma once

#include <string>
#include <string_view>

namespace ob::common::ftp {

/// Local to wire: a LF not preceded by CR becomes CR LF; CR LF stays.
class LfToCrLf {
public:
    void Convert(std::string_view piece, std::string& out);

private:
    bool lastWasCr_ = false;
};

} // namespace ob::common::ftp
