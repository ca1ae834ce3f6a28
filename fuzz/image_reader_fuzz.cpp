// Fuzz target for the GIF and BMP readers: every input goes to both. Whatever they
// return must keep the image invariants, convert to colours, crop, and save as a
// BMP that reads back unchanged. A small pixel limit keeps each input fast; the
// limit itself is part of what the readers check before they allocate.
#include "engine/services/image/bgr_rows.h"
#include "engine/services/image/bmp_reader.h"
#include "engine/services/image/bmp_writer.h"
#include "engine/services/image/dib_crop.h"
#include "engine/services/image/gif/gif_reader.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <span>
#include <vector>

namespace {

using namespace ob::image;

constexpr std::size_t kFuzzPixelBytes = 256u << 10;

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

bool Same(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end());
}

void Exercise(const PackedDib& dib) {
    const BitmapInfoHeader& header = dib.Header();
    Check(header.height >= 0);
    Check(dib.ColourTable().size() == ColourTableBytes(header));
    Check(dib.Pixels().size() ==
          (header.Uncompressed() ? dib.Stride() * dib.Height() : header.sizeImage));
    if (const std::optional<BgrRows> rows = BgrRows::For(dib)) {
        std::vector<std::uint8_t> row(std::size_t{dib.Width()} * 3);
        for (std::uint32_t y = 0; y < dib.Height(); ++y) {
            rows->Row(y, row.data());
        }
    }
    const int half = static_cast<int>(dib.Width() / 2 + 1);
    if (const std::optional<PackedDib> crop =
            CropDib(dib, half, static_cast<int>(dib.Height() / 2 + 1), half / 2, 1)) {
        Check(crop->Pixels().size() == crop->Stride() * crop->Height());
    }
    if (const std::optional<std::vector<std::uint8_t>> file = EncodeBmp(dib)) {
        const std::optional<PackedDib> again = ReadBmp(*file, kFuzzPixelBytes);
        if (dib.Width() > 0 && dib.Height() > 0) {
            Check(again && std::memcmp(&again->Header(), &header, sizeof header) == 0 &&
                  Same(again->Pixels(), dib.Pixels()) &&
                  Same(again->ColourTable(), dib.ColourTable()));
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> file(data, size);
    GifReadOptions options;
    options.maxPixelBytes = kFuzzPixelBytes;
    options.askVersion = [](std::string_view, std::string_view) { return true; };
    const GifReadResult gif = ReadGif(file, options);
    if (gif.image) {
        Exercise(*gif.image);
    }
    if (const std::optional<PackedDib> bmp = ReadBmp(file, kFuzzPixelBytes)) {
        Exercise(*bmp);
    }
    return 0;
}
