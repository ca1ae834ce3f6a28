// Writing images as JPEG files through libjpeg. Any thread.
#pragma once

#include "engine/services/image/packed_dib.h"

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace ob::image {

/// The quality a JPEG is written with when the job names none.
inline constexpr int kDefaultJpegQuality = 75;

/// The identification text of the comment marker written after the header.
inline constexpr std::string_view kJpegComment =
    "Obrenta IMAGE service 2.0, converted with libjpeg";
static_assert(kJpegComment.size() == 49);

/// The JPEG file of `dib`, compressed with `quality` (libjpeg keeps it within 1 to
/// 100) as a baseline JFIF file: with `grey` one grey component, otherwise three
/// colour components; the rows are converted from the image's depth and palette,
/// top row first. None for images without the 40-byte header, with 4-bit run-length
/// compression, or that libjpeg refuses (wider or higher than 65500 pixels, say).
std::optional<std::vector<std::uint8_t>> EncodeJpeg(const PackedDib& dib, int quality, bool grey);

} // namespace ob::image
