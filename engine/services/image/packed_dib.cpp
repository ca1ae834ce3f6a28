#include "engine/services/image/packed_dib.h"

#include <limits>
#include <utility>

namespace ob::image {

std::optional<PackedDib> PackedDib::Create(std::uint32_t width, std::uint32_t height,
                                           unsigned bitCount, std::uint32_t tableEntries,
                                           std::size_t maxPixelBytes) {
    constexpr auto kLargest = static_cast<std::uint32_t>(std::numeric_limits<std::int32_t>::max());
    const std::uint64_t pixelBytes = RowBytes(width, bitCount) * height;
    if (width > kLargest || height > kLargest || bitCount == 0 || pixelBytes > maxPixelBytes) {
        return std::nullopt;
    }
    BitmapInfoHeader header;
    header.width = static_cast<std::int32_t>(width);
    header.height = static_cast<std::int32_t>(height);
    header.bitCount = static_cast<std::uint16_t>(bitCount);
    header.sizeImage = static_cast<std::uint32_t>(pixelBytes);
    header.clrUsed = tableEntries;
    return PackedDib(header, {}, std::vector<std::uint8_t>(std::size_t{tableEntries} * 4),
                     std::vector<std::uint8_t>(static_cast<std::size_t>(pixelBytes)));
}

PackedDib::PackedDib(const BitmapInfoHeader& header, std::vector<std::uint8_t> extraHeader,
                     std::vector<std::uint8_t> colourTable, std::vector<std::uint8_t> pixels)
    : header_(header), extraHeader_(std::move(extraHeader)), colourTable_(std::move(colourTable)),
      pixels_(std::move(pixels)) {}

std::span<const std::uint8_t> PackedDib::Row(std::uint32_t fromBottom) const {
    return std::span<const std::uint8_t>(pixels_).subspan(fromBottom * Stride(), Stride());
}

std::span<std::uint8_t> PackedDib::Row(std::uint32_t fromBottom) {
    return std::span<std::uint8_t>(pixels_).subspan(fromBottom * Stride(), Stride());
}

} // namespace ob::image
