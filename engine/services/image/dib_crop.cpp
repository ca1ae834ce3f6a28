#include "engine/services/image/dib_crop.h"

#include <algorithm>
#include <cstring>

namespace ob::image {
namespace {

/// Copies `count` pixels of `depth` bits from pixel `x` of `from` to the start of `to`.
void CopyPixels(const std::uint8_t* from, std::uint8_t* to, unsigned depth, std::uint32_t x,
                std::uint32_t count) {
    if (count == 0) {
        return; // a picture without columns: rows of no bytes, maybe without storage
    }
    if (depth >= 8) {
        const std::size_t bytes = depth / 8;
        std::memcpy(to, from + std::size_t{x} * bytes, std::size_t{count} * bytes);
        return;
    }
    // 1 and 4 bits: shift when x does not fall on a byte boundary.
    const unsigned perByte = 8 / depth;
    const unsigned valueMask = (1u << depth) - 1;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint32_t source = x + i;
        const unsigned value =
            (from[source / perByte] >> ((perByte - 1 - source % perByte) * depth)) & valueMask;
        to[i / perByte] |=
            static_cast<std::uint8_t>(value << ((perByte - 1 - i % perByte) * depth));
    }
}

} // namespace

std::optional<PackedDib> CropDib(const PackedDib& dib, int width, int height, int x, int y) {
    const BitmapInfoHeader& source = dib.Header();
    if (source.size != kInfoHeaderSize || !source.Uncompressed() || width < 1 || height < 1) {
        return std::nullopt;
    }
    const std::int64_t fullWidth = dib.Width();
    const std::int64_t fullHeight = dib.Height();
    const std::int64_t w = std::min<std::int64_t>(width, fullWidth);
    const std::int64_t h = std::min<std::int64_t>(height, fullHeight);
    std::int64_t left = x;
    std::int64_t top = y;
    if (left < 0 || left + w > fullWidth) {
        left = 0;
    }
    if (top < 0 || top + h > fullHeight) {
        top = 0;
    }
    const auto newWidth = static_cast<std::uint32_t>(w);
    const auto newHeight = static_cast<std::uint32_t>(h);
    BitmapInfoHeader header = source;
    header.width = static_cast<std::int32_t>(newWidth);
    header.height = static_cast<std::int32_t>(newHeight);
    header.planes = 1;
    header.sizeImage = static_cast<std::uint32_t>(RowBytes(newWidth, source.bitCount) * newHeight);
    header.xPelsPerMeter = kPixelsPerMetre;
    header.yPelsPerMeter = kPixelsPerMetre;
    PackedDib crop(header, {},
                   std::vector<std::uint8_t>(dib.ColourTable().begin(), dib.ColourTable().end()),
                   std::vector<std::uint8_t>(header.sizeImage));
    // Row r of the copy (from the bottom) is source row fullHeight - h - top + r.
    const auto firstRow = static_cast<std::uint32_t>(fullHeight - h - top);
    for (std::uint32_t row = 0; row < newHeight; ++row) {
        CopyPixels(dib.Row(firstRow + row).data(), crop.Row(row).data(), source.bitCount,
                   static_cast<std::uint32_t>(left), newWidth);
    }
    return crop;
}

} // namespace ob::image
