// Cropping: the size limits and the origin rule, the pixels of every depth, and the
// images that cannot be cropped.
#include "engine/services/image/bmp_reader.h"
#include "engine/services/image/dib_crop.h"

#include "picture_support.h"

#include <gtest/gtest.h>

namespace ob::test {
namespace {

using image::CropDib;

/// The RGB of the `width` x `height` rectangle at (x, y), from the top left, of `rgb`
/// whose rows are `fullWidth` pixels.
Bytes Region(const Bytes& rgb, std::uint32_t fullWidth, std::uint32_t x, std::uint32_t y,
             std::uint32_t width, std::uint32_t height) {
    Bytes region;
    for (std::uint32_t row = y; row < y + height; ++row) {
        const auto start = rgb.begin() + (std::ptrdiff_t{row} * fullWidth + x) * 3;
        region.insert(region.end(), start, start + std::ptrdiff_t{width} * 3);
    }
    return region;
}

TEST(CropTest, SizeIsLimitedAndAnOriginThatDoesNotFitBecomesZero) {
    struct Case {
        int width, height, x, y;
        std::uint32_t cropWidth, cropHeight, left, top; // what the crop is
    };
    const Case cases[] = {
        {5000, 5000, 0, 0, 640, 480, 0, 0},     // the whole picture
        {100, 50, 600, 10, 100, 50, 0, 10},     // 600 + 100 exceeds 640
        {100, 50, 540, 430, 100, 50, 540, 430}, // fits exactly at the corner
        {100, 50, 10, 431, 100, 50, 10, 0},     // 431 + 50 exceeds 480
        {100, 50, -5, -1, 100, 50, 0, 0},       // negative origins start at 0
        {640, 1, 1, 479, 640, 1, 0, 479},
    };
    const image::PackedDib dib = Patterned(640, 480, 8);
    const Bytes rgb = Rgb(dib);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.width << "x" << c.height << " at " << c.x << "," << c.y);
        const auto crop = CropDib(dib, c.width, c.height, c.x, c.y);
        ASSERT_TRUE(crop);
        EXPECT_EQ(crop->Width(), c.cropWidth);
        EXPECT_EQ(crop->Height(), c.cropHeight);
        EXPECT_EQ(Rgb(*crop), Region(rgb, 640, c.left, c.top, c.cropWidth, c.cropHeight));
    }
}

TEST(CropTest, EveryDepthKeepsItsPixelsAndTable) {
    for (const Layout c : kLayouts) {
        SCOPED_TRACE(testing::Message() << c.depth << " bits, bit fields " << c.bitFields);
        const image::PackedDib dib = Patterned(37, 11, c.depth, c.bitFields);
        // x = 3 and 5 fall inside bytes at 1 and 4 bits.
        for (const std::uint32_t x : {0u, 3u, 5u}) {
            const auto crop = CropDib(dib, 21, 6, static_cast<int>(x), 2);
            ASSERT_TRUE(crop);
            EXPECT_EQ(Rgb(*crop), Region(Rgb(dib), 37, x, 2, 21, 6)) << "x " << x;
            const image::BitmapInfoHeader& header = crop->Header();
            EXPECT_EQ(header.sizeImage, crop->Stride() * 6);
            EXPECT_EQ(crop->Pixels().size(), header.sizeImage);
            EXPECT_EQ(header.compression, dib.Header().compression);
            EXPECT_EQ(header.xPelsPerMeter, 2953);
            EXPECT_TRUE(std::ranges::equal(crop->ColourTable(), dib.ColourTable()));
        }
    }
}

TEST(CropTest, RunLengthImagesOtherHeadersAndEmptySizesAreRefused) {
    const auto rle = image::ReadBmp(ReadBytes(DataPath("bmp/rose8-rle.bmp")));
    EXPECT_FALSE(CropDib(*rle, 10, 10));
    const auto v5 = image::ReadBmp(ReadBytes(DataPath("bmp/rose-v5.bmp")));
    EXPECT_FALSE(CropDib(*v5, 10, 10));
    const image::PackedDib dib = Patterned(10, 10, 24);
    EXPECT_FALSE(CropDib(dib, 0, 5));
    EXPECT_FALSE(CropDib(dib, 5, -1));
    EXPECT_TRUE(CropDib(dib, 1, 1, 9, 9));
}

TEST(CropTest, APictureWithoutColumnsCropsToRowsOfNoPixels) {
    // Such pictures come out of GIF files that declare a zero width.
    for (const Layout c : kLayouts) {
        const auto crop = CropDib(Patterned(0, 4, c.depth, c.bitFields), 10, 2);
        ASSERT_TRUE(crop) << c.depth;
        EXPECT_EQ(crop->Width(), 0u);
        EXPECT_EQ(crop->Height(), 2u);
    }
}

} // namespace
} // namespace ob::test
