// An image of the IMAGE service: a device-independent bitmap made of its header,
// its colour table and its pixel rows, bottom row first.
//
// Invariants, kept by every reader and by Create: the height is positive (rows are
// stored bottom-up); the colour table holds ColourTableBytes(header) bytes (blue,
// green, red, 0 per entry, then the three masks of a bit-field image); uncompressed
// pixels are RowBytes(width, depth) × height bytes, run-length pixels the stored
// image size. An image is not shared while it is changed: the service keeps its
// images unchanged once they are made, so any thread may read them.
#pragma once

#include "engine/services/image/bitmap_info_header.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace ob::image {

/// The most pixel bytes one image (or one decoding buffer) may take: larger sizes
/// read from a file count as a failed allocation, whatever memory is free.
inline constexpr std::size_t kMaxPixelBytes = 256u * 1024u * 1024u;

class PackedDib {
public:
    /// A zero-filled image with a new header: width, height, depth, compression none,
    /// image size, 2953 pixels per metre, colours used `tableEntries`, a zeroed table
    /// of that many entries. None when the pixels would take more than
    /// `maxPixelBytes` (or the sizes make no image).
    static std::optional<PackedDib> Create(std::uint32_t width, std::uint32_t height,
                                           unsigned bitCount, std::uint32_t tableEntries,
                                           std::size_t maxPixelBytes = kMaxPixelBytes);

    /// An image from parts whose sizes the caller has checked against the invariants.
    PackedDib(const BitmapInfoHeader& header, std::vector<std::uint8_t> extraHeader,
              std::vector<std::uint8_t> colourTable, std::vector<std::uint8_t> pixels);

    const BitmapInfoHeader& Header() const { return header_; }
    BitmapInfoHeader& Header() { return header_; }
    /// The bytes of a header longer than 40 bytes that follow its first 40.
    std::span<const std::uint8_t> ExtraHeader() const { return extraHeader_; }
    std::span<const std::uint8_t> ColourTable() const { return colourTable_; }
    std::span<std::uint8_t> ColourTable() { return colourTable_; }
    std::span<const std::uint8_t> Pixels() const { return pixels_; }
    std::span<std::uint8_t> Pixels() { return pixels_; }

    std::uint32_t Width() const { return static_cast<std::uint32_t>(header_.width); }
    std::uint32_t Height() const { return static_cast<std::uint32_t>(header_.height); }
    /// Bytes of one uncompressed row.
    std::size_t Stride() const { return static_cast<std::size_t>(RowBytes(Width(), Depth())); }
    unsigned Depth() const { return header_.bitCount; }
    /// An uncompressed row, counted from the bottom.
    std::span<const std::uint8_t> Row(std::uint32_t fromBottom) const;
    std::span<std::uint8_t> Row(std::uint32_t fromBottom);

private:
    BitmapInfoHeader header_;
    std::vector<std::uint8_t> extraHeader_;
    std::vector<std::uint8_t> colourTable_;
    std::vector<std::uint8_t> pixels_;
};

} // namespace ob::image
