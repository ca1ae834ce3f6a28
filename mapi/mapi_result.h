// A Simple MAPI result code with the text that says why a call failed. The text is
// kept per thread for OB_MapiLastError. Any thread.
#pragma once

#include <cstdint>
#include <string>

namespace ob::mapi {

struct MapiResult {
    std::uint32_t code = 0;
    std::string why; ///< empty on success

    bool Ok() const { return code == 0; }
};

inline MapiResult Success() {
    return {};
}

inline MapiResult Failure(std::uint32_t code, std::string why) {
    return {code, std::move(why)};
}

/// Keeps `result`'s text as the calling thread's last error and returns its code.
std::uint32_t Report(const MapiResult& result);

/// The calling thread's last error text ("" after a success).
const std::string& LastErrorText();

} // namespace ob::mapi
