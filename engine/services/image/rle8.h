// Expanding 8-bit run-length pixel data (BMP compression 1) into plain 8-bit rows.
// Any thread.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace ob::image {

/// The pixels of `data` as `height` rows of `stride` bytes, bottom row first, of
/// which the first `width` bytes are pixels. Runs and literal runs that reach past
/// a row's end are cut there; a delta or a row past the last row, and data that
/// ends early, end the decoding; pixels never reached stay index 0.
std::vector<std::uint8_t> ExpandRle8(std::span<const std::uint8_t> data, std::uint32_t width,
                                     std::uint32_t height, std::size_t stride);

} // namespace ob::image
