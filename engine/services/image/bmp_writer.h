// Writing images as BMP files. Any thread.
#pragma once

#include "engine/services/image/packed_dib.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace ob::image {

/// The BMP file of `dib`: a 14-byte file header (type "BM", total size, two zero
/// words, pixel offset 14 + 40 + colour-table bytes), the 40-byte info header, the
/// colour table and the pixels. An image that is not run-length compressed has its
/// image size recomputed in the header written. None when the image's header is not
/// the 40-byte one.
std::optional<std::vector<std::uint8_t>> EncodeBmp(const PackedDib& dib);

} // namespace ob::image
