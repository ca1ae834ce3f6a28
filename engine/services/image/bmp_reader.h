// Reading BMP files into images: a 14-byte file header of type "BM", then a 12-byte
// OS/2 core header (widened to the 40-byte info header, its three-byte palette
// entries to four bytes) or an info header of 40 to 124 bytes, the colour table
// and the pixels (at the file header's pixel offset when that is not 0). Any thread.
//
// Every size and offset is checked against the file before anything is allocated or
// copied: a header that claims more than the file holds, or more pixels than
// `maxPixelBytes`, gives no image. Rows stored top-down (a negative height) are
// turned bottom-up, so every image read has a positive height.
#pragma once

#include "engine/services/image/packed_dib.h"

#include <cstdint>
#include <optional>
#include <span>

namespace ob::image {

/// The image, or none when the file is not a BMP this reader accepts: depths 1, 4,
/// 8, 16, 24 and 32; compression none, 8-bit or 4-bit run-length, or bit fields (at
/// 16 and 32 bits).
std::optional<PackedDib> ReadBmp(std::span<const std::uint8_t> file,
                                 std::size_t maxPixelBytes = kMaxPixelBytes);

} // namespace ob::image
