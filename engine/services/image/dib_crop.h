// Cutting a rectangle out of an image. Any thread.
#pragma once

#include "engine/services/image/packed_dib.h"

#include <optional>

namespace ob::image {

/// A copy of the part of `dib` that is `width` × `height` pixels from (x, y), counted
/// from the left and from the top. The size is first limited to the image's; then x
/// (y) is set to 0 when x + width (y + height) exceeds the image, or when it is
/// negative. The copy keeps the depth, compression, colour table (and bit-field
/// masks) and colours used and important, with a new image size and 2953 pixels per
/// metre. None for images without the 40-byte header, run-length images, and a
/// width or height below 1.
std::optional<PackedDib> CropDib(const PackedDib& dib, int width, int height, int x = 0, int y = 0);

} // namespace ob::image
