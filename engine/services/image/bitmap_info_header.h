// The 40-byte bitmap information header that opens every image of the IMAGE
// service, with the field rules shared by its readers and writers. Header only.
#pragma once

#include <cstdint>

namespace ob::image {

/// The info header's own size; the only size images are cropped and saved with.
inline constexpr std::uint32_t kInfoHeaderSize = 40;
/// The OS/2 core header, widened to the info header when a file is read.
inline constexpr std::uint32_t kCoreHeaderSize = 12;
/// The longest header a BMP file may carry (the fifth version of the header).
inline constexpr std::uint32_t kLargestHeaderSize = 124;
/// Resolution written into new headers: 75 dots per inch.
inline constexpr std::int32_t kPixelsPerMetre = 2953;

/// Values of the compression field.
enum class Compression : std::uint32_t {
    None = 0,
    Rle8 = 1,
    Rle4 = 2,
    BitFields = 3,
};

struct BitmapInfoHeader {
    std::uint32_t size = kInfoHeaderSize;
    std::int32_t width = 0;
    std::int32_t height = 0; ///< positive: rows stored bottom-up
    std::uint16_t planes = 1;
    std::uint16_t bitCount = 0;
    std::uint32_t compression = static_cast<std::uint32_t>(Compression::None);
    std::uint32_t sizeImage = 0;
    std::int32_t xPelsPerMeter = kPixelsPerMetre;
    std::int32_t yPelsPerMeter = kPixelsPerMetre;
    std::uint32_t clrUsed = 0;
    std::uint32_t clrImportant = 0;

    constexpr bool Is(Compression value) const {
        return compression == static_cast<std::uint32_t>(value);
    }
    /// Pixels stored row by row, uncompressed (none or bit fields).
    constexpr bool Uncompressed() const {
        return Is(Compression::None) || Is(Compression::BitFields);
    }
};

/// Bytes of one pixel row, padded to a multiple of four: ((bits × width + 31) / 32) × 4.
constexpr std::uint64_t RowBytes(std::uint64_t width, unsigned bitCount) {
    return (bitCount * width + 31) / 32 * 4;
}

/// Entries of the colour table: colours used when it is not 0, else 2 to the power
/// of the depth for depths below 16, else none.
constexpr std::uint64_t ColourTableEntries(const BitmapInfoHeader& header) {
    if (header.clrUsed != 0) {
        return header.clrUsed;
    }
    return header.bitCount < 16 ? std::uint64_t{1} << header.bitCount : 0;
}

/// Bytes between the header and the pixels: four per colour-table entry, and the
/// three colour masks of bit-field images whose header is the 40-byte one.
constexpr std::uint64_t ColourTableBytes(const BitmapInfoHeader& header) {
    const std::uint64_t masks =
        header.Is(Compression::BitFields) && header.size == kInfoHeaderSize ? 12 : 0;
    return ColourTableEntries(header) * 4 + masks;
}

} // namespace ob::image
