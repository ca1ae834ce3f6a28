#include "engine/services/image/bmp_reader.h"

#include "engine/services/image/byte_cursor.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>

namespace ob::image {
namespace {

constexpr std::uint16_t kBmpType = 0x4D42; // "BM"
constexpr std::size_t kFileHeaderSize = 14;
// The info header and its later, longer versions (the OS/2 2.x header is 64 bytes).
constexpr std::array<std::uint32_t, 6> kHeaderSizes = {40, 52, 56, 64, 108, 124};

bool ValidDepth(unsigned bits) {
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

bool ValidCompression(const BitmapInfoHeader& header) {
    switch (static_cast<Compression>(header.compression)) {
    case Compression::None:
        return true;
    case Compression::Rle8:
        return header.bitCount == 8 && header.height > 0;
    case Compression::Rle4:
        return header.bitCount == 4 && header.height > 0;
    case Compression::BitFields:
        return header.bitCount == 16 || header.bitCount == 32;
    }
    return false;
}

/// Reads the info header (a core header widened to it); `entryBytes` receives the
/// size of one palette entry in the file (3 for a core header, else 4).
bool ReadInfoHeader(ByteCursor& in, BitmapInfoHeader& header, std::vector<std::uint8_t>& extra,
                    std::size_t& entryBytes) {
    std::uint32_t size = 0;
    if (!in.U32(size)) {
        return false;
    }
    if (size == kCoreHeaderSize) {
        std::uint16_t width = 0;
        std::uint16_t height = 0;
        if (!in.U16(width) || !in.U16(height) || !in.U16(header.planes) ||
            !in.U16(header.bitCount)) {
            return false;
        }
        header.size = kInfoHeaderSize;
        header.width = width;
        header.height = height;
        entryBytes = 3;
        return true;
    }
    bool known = false;
    for (const std::uint32_t headerSize : kHeaderSizes) {
        known = known || size == headerSize;
    }
    if (!known || !in.I32(header.width) || !in.I32(header.height) || !in.U16(header.planes) ||
        !in.U16(header.bitCount) || !in.U32(header.compression) || !in.U32(header.sizeImage) ||
        !in.I32(header.xPelsPerMeter) || !in.I32(header.yPelsPerMeter) || !in.U32(header.clrUsed) ||
        !in.U32(header.clrImportant)) {
        return false;
    }
    header.size = size;
    const std::span<const std::uint8_t> rest = in.Take(size - kInfoHeaderSize);
    if (rest.size() != size - kInfoHeaderSize) {
        return false;
    }
    extra.assign(rest.begin(), rest.end());
    entryBytes = 4;
    return true;
}

/// Fills in the image size and colours used, and checks the pixel sizes against the
/// limit. False for sizes no image can have.
bool SettleSizes(BitmapInfoHeader& header, std::size_t maxPixelBytes) {
    const std::int64_t height = header.height;
    if (header.width <= 0 || height == 0 || height == std::numeric_limits<std::int32_t>::min() ||
        !ValidDepth(header.bitCount) || !ValidCompression(header)) {
        return false;
    }
    const std::uint64_t rows = static_cast<std::uint64_t>(height < 0 ? -height : height);
    const std::uint64_t rowBytes =
        RowBytes(static_cast<std::uint32_t>(header.width), header.bitCount);
    if (rowBytes > maxPixelBytes || rows > maxPixelBytes / rowBytes) {
        return false;
    }
    const std::uint64_t raw = rowBytes * rows;
    if (header.sizeImage == 0 || (header.Uncompressed() && header.sizeImage != raw)) {
        header.sizeImage = static_cast<std::uint32_t>(raw);
    }
    if (header.sizeImage > maxPixelBytes) {
        return false;
    }
    if (header.clrUsed == 0 && header.bitCount <= 8) {
        header.clrUsed = 1u << header.bitCount;
    }
    return true;
}

} // namespace

std::optional<PackedDib> ReadBmp(std::span<const std::uint8_t> file, std::size_t maxPixelBytes) {
    ByteCursor in(file);
    std::uint16_t type = 0;
    std::uint32_t fileSize = 0;
    std::uint32_t reserved = 0;
    std::uint32_t pixelOffset = 0;
    if (!in.U16(type) || type != kBmpType || !in.U32(fileSize) || !in.U32(reserved) ||
        !in.U32(pixelOffset)) {
        return std::nullopt;
    }
    BitmapInfoHeader header;
    std::vector<std::uint8_t> extra;
    std::size_t entryBytes = 4;
    if (!ReadInfoHeader(in, header, extra, entryBytes) || !SettleSizes(header, maxPixelBytes)) {
        return std::nullopt;
    }

    const std::uint64_t entries = ColourTableEntries(header);
    const std::uint64_t tableBytes = ColourTableBytes(header);
    if (entries * entryBytes + (tableBytes - entries * 4) > in.Remaining()) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> table(static_cast<std::size_t>(tableBytes));
    if (entryBytes == 3) {
        const std::span<const std::uint8_t> rgb = in.Take(static_cast<std::size_t>(entries * 3));
        for (std::size_t i = 0; i < entries; ++i) {
            std::memcpy(&table[i * 4], &rgb[i * 3], 3);
        }
    } else {
        const std::span<const std::uint8_t> bytes = in.Take(table.size());
        std::copy(bytes.begin(), bytes.end(), table.begin());
    }

    if (pixelOffset != 0 && (pixelOffset < kFileHeaderSize || !in.Seek(pixelOffset))) {
        return std::nullopt;
    }
    if (header.sizeImage > in.Remaining()) {
        return std::nullopt;
    }
    const std::span<const std::uint8_t> stored = in.Take(header.sizeImage);
    std::vector<std::uint8_t> pixels(stored.begin(), stored.end());
    if (header.height < 0) {
        // Top-down rows: store them bottom-up like every other image.
        header.height = -header.height;
        const std::size_t stride = static_cast<std::size_t>(
            RowBytes(static_cast<std::uint32_t>(header.width), header.bitCount));
        for (std::size_t row = 0; row < static_cast<std::size_t>(header.height); ++row) {
            std::memcpy(&pixels[row * stride],
                        &stored[(static_cast<std::size_t>(header.height) - 1 - row) * stride],
                        stride);
        }
    }
    return PackedDib(header, std::move(extra), std::move(table), std::move(pixels));
}

} // namespace ob::image
