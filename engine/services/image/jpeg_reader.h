// Reading JFIF files into images through libjpeg. Any thread.
#pragma once

#include "engine/services/image/packed_dib.h"

#include <cstdint>
#include <optional>
#include <span>

namespace ob::image {

/// True when the file's first 11 bytes are FF D8 FF E0, any two bytes, "JFIF" and a
/// zero byte. JPEG files without a JFIF header (Exif ones, say) are not JFIF.
bool IsJfif(std::span<const std::uint8_t> file);

/// The picture of a JFIF file: a greyscale source becomes 8 bits per pixel with a
/// 256-entry grey palette, a colour source 24-bit rows; the resolution comes from
/// the JFIF density (dots per inch × 10000 / 254, dots per centimetre × 100, 2953
/// when the density gives only the aspect ratio). None when the file is not JFIF,
/// libjpeg reports an error, or the pixels would take more than `maxPixelBytes`
/// (checked before libjpeg allocates for the picture). Damaged data that libjpeg
/// only warns about (a file cut short, say) still gives the picture it decoded.
std::optional<PackedDib> ReadJpeg(std::span<const std::uint8_t> file,
                                  std::size_t maxPixelBytes = kMaxPixelBytes);

} // namespace ob::image
