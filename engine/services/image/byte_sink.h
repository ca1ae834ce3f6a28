// Appending little-endian fields to a byte buffer. Header only.
#pragma once

#include <cstdint>
#include <vector>

namespace ob::image {

class ByteSink {
public:
    explicit ByteSink(std::vector<std::uint8_t>& out) : out_(out) {}

    void U16(std::uint32_t value) {
        out_.push_back(static_cast<std::uint8_t>(value));
        out_.push_back(static_cast<std::uint8_t>(value >> 8));
    }
    void U32(std::uint32_t value) {
        U16(value & 0xFFFF);
        U16(value >> 16);
    }

private:
    std::vector<std::uint8_t>& out_;
};

} // namespace ob::image
