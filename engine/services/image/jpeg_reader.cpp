#include "engine/services/image/jpeg_reader.h"

#include "engine/services/image/jpeg_error_trap.h"

#include <cstring>

namespace ob::image {
namespace {

constexpr std::uint8_t kJfifStart[] = {0xFF, 0xD8, 0xFF, 0xE0};
constexpr char kJfifName[] = "JFIF"; // with its zero byte

std::int32_t PixelsPerMetre(unsigned unit, unsigned density) {
    if (unit == 1) {
        return static_cast<std::int32_t>(density * 10000 / 254);
    }
    if (unit == 2) {
        return static_cast<std::int32_t>(density * 100);
    }
    return kPixelsPerMetre;
}

// libjpeg's part of the reading; an error jumps back here (see jpeg_error_trap.h).
bool Decode(jpeg_decompress_struct& info, JpegErrorTrap& trap, std::span<const std::uint8_t> file,
            std::size_t maxPixelBytes, std::optional<PackedDib>& dib) {
    if (setjmp(trap.jump) != 0) {
        return false;
    }
    jpeg_create_decompress(&info);
    // libjpeg allocates its own working memory (whole-picture buffers for
    // progressive files) within a bound tied to the picture's.
    info.mem->max_memory_to_use = static_cast<long>(maxPixelBytes) * 2 + (16L << 20);
    jpeg_mem_src(&info, file.data(), static_cast<unsigned long>(file.size()));
    jpeg_read_header(&info, TRUE);
    const bool grey = info.jpeg_color_space == JCS_GRAYSCALE;
    info.out_color_space = grey ? JCS_GRAYSCALE : JCS_EXT_BGR;
    jpeg_calc_output_dimensions(&info);
    dib = PackedDib::Create(info.output_width, info.output_height, grey ? 8 : 24, grey ? 256 : 0,
                            maxPixelBytes);
    if (!dib) {
        return false;
    }
    jpeg_start_decompress(&info);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = dib->Row(info.output_height - 1 - info.output_scanline).data();
        if (jpeg_read_scanlines(&info, &row, 1) != 1) {
            return false;
        }
    }
    jpeg_finish_decompress(&info);
    const std::int32_t x = PixelsPerMetre(info.density_unit, info.X_density);
    const std::int32_t y = PixelsPerMetre(info.density_unit, info.Y_density);
    dib->Header().xPelsPerMeter = x;
    dib->Header().yPelsPerMeter = y;
    return true;
}

} // namespace

bool IsJfif(std::span<const std::uint8_t> file) {
    return file.size() >= 11 && std::memcmp(file.data(), kJfifStart, 4) == 0 &&
           std::memcmp(file.data() + 6, kJfifName, 5) == 0;
}

std::optional<PackedDib> ReadJpeg(std::span<const std::uint8_t> file, std::size_t maxPixelBytes) {
    if (!IsJfif(file)) {
        return std::nullopt;
    }
    jpeg_decompress_struct info{};
    JpegErrorTrap trap{};
    info.err = ArmJpegErrorTrap(trap);
    std::optional<PackedDib> dib;
    const bool decoded = Decode(info, trap, file, maxPixelBytes, dib);
    jpeg_destroy_decompress(&info);
    if (!decoded || !dib) {
        return std::nullopt;
    }
    if (dib->Depth() == 8) {
        std::span<std::uint8_t> table = dib->ColourTable();
        for (std::size_t i = 0; i < 256; ++i) {
            std::memset(&table[i * 4], static_cast<int>(i), 3);
        }
    }
    return dib;
}

} // namespace ob::image
