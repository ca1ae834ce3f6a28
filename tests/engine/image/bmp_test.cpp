// BMP files: ImageMagick's pictures read to their RGB dumps, round trips of every
// depth, the core header, and headers that claim more than the file holds.
#include "engine/services/image/bmp_reader.h"
#include "engine/services/image/bmp_writer.h"
#include "engine/services/image/rle8.h"

#include "picture_support.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <functional>

namespace ob::test {
namespace {

using image::ReadBmp;

TEST(BmpTest, PicturesGiveTheirDumps) {
    // 1, 4, 8 (plain and run-length), 24 and 32 bits, the 12-byte core header and
    // the 124-byte fifth header.
    for (const char* name :
         {"rose1", "rose4", "rose8", "rose8-rle", "rose24", "rose32", "rose-core", "rose-v5"}) {
        SCOPED_TRACE(name);
        const std::string stem = DataPath(std::string("bmp/") + name);
        const auto dib = ReadBmp(ReadBytes(stem + ".bmp"));
        ASSERT_TRUE(dib);
        EXPECT_EQ(dib->Width(), 70u);
        EXPECT_EQ(dib->Height(), 46u);
        if (dib->Header().size == 40) {
            EXPECT_EQ(Rgb(*dib), ReadBytes(stem + ".rgb"));
        } else {
            EXPECT_EQ(dib->Header().size, 124u); // read, but only kept, not converted
        }
    }
}

TEST(BmpTest, CoreHeaderIsWidened) {
    const auto dib = ReadBmp(ReadBytes(DataPath("bmp/rose-core.bmp")));
    ASSERT_TRUE(dib);
    const image::BitmapInfoHeader& header = dib->Header();
    EXPECT_EQ(header.size, 40u);
    EXPECT_EQ(header.bitCount, 8u);
    EXPECT_EQ(header.compression, 0u);
    EXPECT_EQ(header.xPelsPerMeter, 2953);
    EXPECT_EQ(header.yPelsPerMeter, 2953);
    EXPECT_EQ(header.clrUsed, 256u); // filled in
    EXPECT_EQ(header.sizeImage, 72u * 46u);
    for (std::size_t i = 3; i < dib->ColourTable().size(); i += 4) {
        ASSERT_EQ(dib->ColourTable()[i], 0) << "entry " << i / 4;
    }
}

TEST(BmpTest, SavedImagesReadBackUnchanged) {
    for (const Layout c : kLayouts) {
        SCOPED_TRACE(testing::Message() << c.depth << " bits, bit fields " << c.bitFields);
        const image::PackedDib dib = Patterned(13, 5, c.depth, c.bitFields);
        const auto file = image::EncodeBmp(dib);
        ASSERT_TRUE(file);
        EXPECT_EQ(file->size(), 14 + 40 + dib.ColourTable().size() + dib.Pixels().size());
        const auto read = ReadBmp(*file);
        ASSERT_TRUE(read);
        EXPECT_EQ(std::memcmp(&read->Header(), &dib.Header(), sizeof dib.Header()), 0);
        EXPECT_TRUE(std::ranges::equal(read->ColourTable(), dib.ColourTable()));
        EXPECT_TRUE(std::ranges::equal(read->Pixels(), dib.Pixels()));
    }
}

TEST(BmpTest, TopDownRowsAreTurnedBottomUp) {
    const image::PackedDib dib = Patterned(7, 4, 24);
    Bytes file = *image::EncodeBmp(dib);
    const std::int32_t up = -4;
    std::memcpy(&file[22], &up, 4);
    const std::size_t stride = dib.Stride();
    for (std::size_t row = 0; row < 4; ++row) { // store the rows top row first
        const auto source = dib.Row(static_cast<std::uint32_t>(3 - row));
        std::copy(source.begin(), source.end(), file.begin() + 54 + row * stride);
    }
    const auto read = ReadBmp(file);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->Header().height, 4);
    EXPECT_EQ(Rgb(*read), Rgb(dib));
}

TEST(BmpTest, SavingNeedsTheFortyByteHeader) {
    EXPECT_FALSE(image::EncodeBmp(*ReadBmp(ReadBytes(DataPath("bmp/rose-v5.bmp")))));
    // A run-length image is written as it is, with its stored image size.
    const Bytes rle = ReadBytes(DataPath("bmp/rose8-rle.bmp"));
    EXPECT_EQ(*image::EncodeBmp(*ReadBmp(rle)), rle);
}

/// A valid 24-bit BMP of 4 x 2 pixels with one field changed.
Bytes Changed(std::size_t at, std::int64_t value, std::size_t bytes = 4) {
    Bytes file = *image::EncodeBmp(Patterned(4, 2, 24));
    for (std::size_t i = 0; i < bytes; ++i) {
        file[at + i] = static_cast<std::uint8_t>(static_cast<std::uint64_t>(value) >> (8 * i));
    }
    return file;
}

TEST(BmpTest, HeadersThatLieGiveNoImage) {
    struct Case {
        const char* what;
        Bytes file;
    };
    const Bytes valid = *image::EncodeBmp(Patterned(4, 2, 24));
    Bytes shortPixels = valid;
    shortPixels.pop_back();
    const Case cases[] = {
        {"type other than BM", Changed(0, 'B' | 'X' << 8, 2)},
        {"pixel offset past the end", Changed(10, 1000)},
        {"pixel offset inside the file header", Changed(10, 3)},
        {"header size unknown", Changed(14, 41)},
        {"header size larger than the file", Changed(14, 124)},
        {"width 0", Changed(18, 0)},
        {"negative width", Changed(18, -4)},
        {"height 0", Changed(22, 0)},
        {"height INT_MIN", Changed(22, INT_MIN)},
        {"width 65535: more pixels than the file holds", Changed(18, 0xFFFF, 2)},
        {"depth 7", Changed(28, 7, 2)},
        {"unknown compression", Changed(30, 9)},
        {"run-length at 24 bits", Changed(30, 1)},
        {"colours used beyond the file", Changed(46, 0x40000000)},
        {"pixels cut short", shortPixels},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(ReadBmp(c.file)) << c.what;
    }
    EXPECT_TRUE(ReadBmp(valid));
    // A file that claims 20000 x 20000 pixels fails on the limit, not on a read.
    Bytes large = Changed(18, 20000);
    std::memcpy(&large[22], &large[18], 4);
    large.resize(large.size() + 2'000'000);
    EXPECT_FALSE(ReadBmp(large, 1'000'000));
}

TEST(BmpTest, ImageSizeAndColoursUsedAreFilledIn) {
    const auto sizeless = ReadBmp(Changed(34, 0)); // image size 0
    ASSERT_TRUE(sizeless);
    EXPECT_EQ(sizeless->Header().sizeImage, 2u * 12);
    const auto wrong = ReadBmp(Changed(34, 5)); // a size that does not match
    ASSERT_TRUE(wrong);
    EXPECT_EQ(wrong->Header().sizeImage, 2u * 12);
    const auto eight = ReadBmp(ReadBytes(DataPath("bmp/rose8.bmp")));
    EXPECT_EQ(eight->Header().clrUsed, 256u);
}

TEST(BmpTest, RunLengthDataIsExpanded) {
    struct Case {
        const char* what;
        Bytes data;
        Bytes rows; // 2 rows of 4 (stride 4), bottom row first
    };
    const Case cases[] = {
        {"runs and end of line", {2, 7, 1, 8, 0, 0, 4, 9}, {7, 7, 8, 0, 9, 9, 9, 9}},
        {"literal run with padding", {0, 3, 1, 2, 3, 0, 0, 0, 1, 5}, {1, 2, 3, 0, 5, 0, 0, 0}},
        {"run cut at the row's end", {9, 4, 0, 0, 1, 6}, {4, 4, 4, 4, 6, 0, 0, 0}},
        {"delta", {0, 2, 2, 1, 1, 3}, {0, 0, 0, 0, 0, 0, 3, 0}},
        {"end of picture", {1, 1, 0, 1, 1, 2}, {1, 0, 0, 0, 0, 0, 0, 0}},
        {"data cut short", {0, 5, 1, 2}, {1, 2, 0, 0, 0, 0, 0, 0}},
        {"delta past the last row", {0, 2, 0, 9, 1, 1}, {0, 0, 0, 0, 0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(image::ExpandRle8(c.data, 4, 2, 4), c.rows) << c.what;
    }
}

} // namespace
} // namespace ob::test
