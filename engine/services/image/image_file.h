// Loading a picture file of any of the IMAGE service's formats. Any thread.
#pragma once

#include "engine/services/image/gif/gif_reader.h"
#include "engine/services/image/packed_dib.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace ob::image {

/// The largest picture file read.
inline constexpr std::uint64_t kMaxImageFileBytes = 256u * 1024u * 1024u;

struct ImageLoad {
    std::optional<PackedDib> image;
    /// Something failed on the way, also when a GIF still gave its partly drawn image.
    bool failed = false;
};

/// Decodes a file held in memory by its first bytes: "GIF87a" or "GIF89a" with the
/// GIF reader, a JFIF header with libjpeg, anything else as BMP.
ImageLoad DecodeImage(std::span<const std::uint8_t> file, const GifReadOptions& options = {});

/// Finds the file (a bare name along the system's file search), reads it and decodes it.
ImageLoad LoadImageFile(std::string_view name, const GifReadOptions& options = {});

} // namespace ob::image
