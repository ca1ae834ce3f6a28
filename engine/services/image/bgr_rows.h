// Reading an image's rows as blue, green, red triplets, whatever its depth and
// palette, top row first: what the JPEG writer compresses. Any thread; the image
// must outlive the reader and stay unchanged.
#pragma once

#include "engine/services/image/packed_dib.h"

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace ob::image {

class BgrRows {
public:
    /// A reader for images with the 40-byte header and compression none, bit fields
    /// or 8-bit run-length (expanded here); none for others.
    static std::optional<BgrRows> For(const PackedDib& dib);

    /// Row `fromTop` as width × 3 bytes into `out`. Palette indices beyond the
    /// colour table read as black.
    void Row(std::uint32_t fromTop, std::uint8_t* out) const;

private:
    struct Channel {
        std::uint32_t mask = 0;
        unsigned shift = 0;
        std::uint32_t top = 0; ///< the largest value after the shift
    };

    explicit BgrRows(const PackedDib& dib) : dib_(&dib) {}
    std::uint8_t Scale(std::uint32_t pixel, const Channel& channel) const;

    const PackedDib* dib_;
    std::vector<std::uint8_t> expanded_; ///< 8-bit rows of a run-length image
    std::array<Channel, 3> channels_{};  ///< red, green, blue of 16 and 32-bit pixels
};

} // namespace ob::image
