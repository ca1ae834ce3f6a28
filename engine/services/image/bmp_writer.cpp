#include "engine/services/image/bmp_writer.h"

#include "engine/services/image/byte_sink.h"

#include <limits>

namespace ob::image {

std::optional<std::vector<std::uint8_t>> EncodeBmp(const PackedDib& dib) {
    BitmapInfoHeader header = dib.Header();
    if (header.size != kInfoHeaderSize) {
        return std::nullopt;
    }
    if (header.Uncompressed()) {
        header.sizeImage = static_cast<std::uint32_t>(dib.Stride() * dib.Height());
    }
    const std::uint64_t offset = 14 + kInfoHeaderSize + dib.ColourTable().size();
    const std::uint64_t total = offset + dib.Pixels().size();
    if (total > std::numeric_limits<std::uint32_t>::max()) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> file;
    file.reserve(static_cast<std::size_t>(total));
    ByteSink out(file);
    out.U16(0x4D42);
    out.U32(static_cast<std::uint32_t>(total));
    out.U16(0);
    out.U16(0);
    out.U32(static_cast<std::uint32_t>(offset));
    out.U32(header.size);
    out.U32(static_cast<std::uint32_t>(header.width));
    out.U32(static_cast<std::uint32_t>(header.height));
    out.U16(header.planes);
    out.U16(header.bitCount);
    out.U32(header.compression);
    out.U32(header.sizeImage);
    out.U32(static_cast<std::uint32_t>(header.xPelsPerMeter));
    out.U32(static_cast<std::uint32_t>(header.yPelsPerMeter));
    out.U32(header.clrUsed);
    out.U32(header.clrImportant);
    file.insert(file.end(), dib.ColourTable().begin(), dib.ColourTable().end());
    file.insert(file.end(), dib.Pixels().begin(), dib.Pixels().end());
    return file;
}

} // namespace ob::image
