#include "engine/services/image/bgr_rows.h"

#include "engine/services/image/rle8.h"

#include <bit>
#include <cstring>

namespace ob::image {
namespace {

std::uint32_t MaskAt(std::span<const std::uint8_t> table, std::size_t at) {
    return static_cast<std::uint32_t>(table[at]) | static_cast<std::uint32_t>(table[at + 1]) << 8 |
           static_cast<std::uint32_t>(table[at + 2]) << 16 |
           static_cast<std::uint32_t>(table[at + 3]) << 24;
}

} // namespace

std::optional<BgrRows> BgrRows::For(const PackedDib& dib) {
    const BitmapInfoHeader& header = dib.Header();
    if (header.size != kInfoHeaderSize) {
        return std::nullopt;
    }
    BgrRows rows(dib);
    if (header.Is(Compression::Rle8)) {
        rows.expanded_ = ExpandRle8(dib.Pixels(), dib.Width(), dib.Height(), dib.Stride());
    } else if (!header.Uncompressed()) {
        return std::nullopt;
    }
    std::array<std::uint32_t, 3> masks{0x7C00, 0x03E0, 0x001F}; // 5-5-5 at 16 bits
    if (header.bitCount == 32) {
        masks = {0x00FF0000, 0x0000FF00, 0x000000FF};
    }
    if (header.Is(Compression::BitFields)) {
        const std::span<const std::uint8_t> table = dib.ColourTable();
        const std::size_t at = table.size() - 12; // the masks follow the palette entries
        masks = {MaskAt(table, at), MaskAt(table, at + 4), MaskAt(table, at + 8)};
    }
    for (std::size_t i = 0; i < 3; ++i) {
        Channel& channel = rows.channels_[i];
        channel.mask = masks[i];
        channel.shift = masks[i] == 0 ? 0 : static_cast<unsigned>(std::countr_zero(masks[i]));
        channel.top = masks[i] >> channel.shift;
    }
    return rows;
}

std::uint8_t BgrRows::Scale(std::uint32_t pixel, const Channel& channel) const {
    if (channel.top == 0) {
        return 0;
    }
    const std::uint64_t value = (pixel & channel.mask) >> channel.shift;
    return static_cast<std::uint8_t>((value * 255 + channel.top / 2) / channel.top);
}

void BgrRows::Row(std::uint32_t fromTop, std::uint8_t* out) const {
    const std::uint32_t width = dib_->Width();
    if (width == 0) {
        return;
    }
    const std::uint32_t fromBottom = dib_->Height() - 1 - fromTop;
    const std::uint8_t* in =
        expanded_.empty() ? dib_->Row(fromBottom).data() : &expanded_[fromBottom * dib_->Stride()];
    const unsigned depth = dib_->Depth();
    if (depth == 24) {
        std::memcpy(out, in, std::size_t{width} * 3);
        return;
    }
    if (depth <= 8) {
        const std::span<const std::uint8_t> table = dib_->ColourTable();
        const std::size_t entries = table.size() / 4;
        const unsigned perByte = 8 / depth;
        const unsigned valueMask = (1u << depth) - 1;
        for (std::uint32_t x = 0; x < width; ++x, out += 3) {
            const unsigned shift = (perByte - 1 - x % perByte) * depth;
            const std::size_t index = (in[x / perByte] >> shift) & valueMask;
            if (index < entries) {
                std::memcpy(out, &table[index * 4], 3);
            } else {
                std::memset(out, 0, 3);
            }
        }
        return;
    }
    const std::size_t bytes = depth / 8;
    for (std::uint32_t x = 0; x < width; ++x, out += 3, in += bytes) {
        std::uint32_t pixel = in[0] | static_cast<std::uint32_t>(in[1]) << 8;
        if (bytes == 4) {
            pixel |= static_cast<std::uint32_t>(in[2]) << 16 | static_cast<std::uint32_t>(in[3])
                                                                   << 24;
        }
        out[0] = Scale(pixel, channels_[2]);
        out[1] = Scale(pixel, channels_[1]);
        out[2] = Scale(pixel, channels_[0]);
    }
}

} // namespace ob::image
