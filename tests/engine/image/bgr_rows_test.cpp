// Turning pixels of every depth into blue, green, red, as the JPEG writer needs.
#include "engine/services/image/bgr_rows.h"

#include "picture_support.h"

#include <gtest/gtest.h>

namespace ob::test {
namespace {

/// A one-row image of `depth` bits holding `row`, with a palette whose entry i is
/// blue i, green 100 + i, red 200 - i and, with `masks`, bit fields.
image::PackedDib OneRow(unsigned depth, std::uint32_t width, const Bytes& row,
                        const Bytes& masks = {}) {
    image::PackedDib dib = *image::PackedDib::Create(width, 1, depth, depth <= 8 ? 1u << depth : 0);
    for (std::size_t i = 0; i < dib.ColourTable().size() / 4; ++i) {
        dib.ColourTable()[i * 4] = static_cast<std::uint8_t>(i);
        dib.ColourTable()[i * 4 + 1] = static_cast<std::uint8_t>(100 + i);
        dib.ColourTable()[i * 4 + 2] = static_cast<std::uint8_t>(200 - i);
    }
    std::copy(row.begin(), row.end(), dib.Row(0).begin());
    if (!masks.empty()) {
        dib.Header().compression = static_cast<std::uint32_t>(image::Compression::BitFields);
        dib = image::PackedDib(dib.Header(), {}, masks,
                               Bytes(dib.Pixels().begin(), dib.Pixels().end()));
    }
    return dib;
}

TEST(BgrRowsTest, EveryDepthGivesItsColours) {
    const Bytes masks565 = {0x00, 0xF8, 0, 0, 0xE0, 0x07, 0, 0, 0x1F, 0, 0, 0};
    const Bytes masksRgba = {0, 0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0xFF, 0, 0}; // R G B in the top bytes
    struct Case {
        const char* what;
        image::PackedDib dib;
        Bytes bgr;
    };
    const Case cases[] = {
        {"1 bit, most significant first",
         OneRow(1, 3, {0b10100000}),
         {1, 101, 199, 0, 100, 200, 1, 101, 199}},
        {"4 bits, high nibble first",
         OneRow(4, 3, {0x2F, 0x70}),
         {2, 102, 198, 15, 115, 185, 7, 107, 193}},
        {"8 bits", OneRow(8, 2, {3, 250}), {3, 103, 197, 250, 94, 206}},
        {"16 bits 5-5-5",
         OneRow(16, 3, {0xFF, 0x7F, 0x00, 0x7C, 0x21, 0x04}),
         {255, 255, 255, 0, 0, 255, 8, 8, 8}},
        {"16 bits 5-6-5",
         OneRow(16, 3, {0x00, 0xF8, 0xE0, 0x07, 0x20, 0x00}, masks565),
         {0, 0, 255, 0, 255, 0, 0, 4, 0}},
        {"24 bits", OneRow(24, 1, {1, 2, 3}), {1, 2, 3}},
        {"32 bits", OneRow(32, 1, {1, 2, 3, 99}), {1, 2, 3}},
        {"32 bits with other masks", OneRow(32, 1, {99, 30, 20, 10}, masksRgba), {30, 20, 10}},
    };
    for (const Case& c : cases) {
        const auto rows = image::BgrRows::For(c.dib);
        ASSERT_TRUE(rows) << c.what;
        Bytes bgr(c.bgr.size());
        rows->Row(0, bgr.data());
        EXPECT_EQ(bgr, c.bgr) << c.what;
    }
}

TEST(BgrRowsTest, IndicesBeyondTheTableAreBlack) {
    image::PackedDib dib = OneRow(8, 2, {1, 9});
    dib = image::PackedDib(dib.Header(), {},
                           Bytes(dib.ColourTable().begin(), dib.ColourTable().begin() + 8),
                           Bytes(dib.Pixels().begin(), dib.Pixels().end()));
    Bytes bgr(6);
    image::BgrRows::For(dib)->Row(0, bgr.data());
    EXPECT_EQ(bgr, (Bytes{1, 101, 199, 0, 0, 0}));
}

} // namespace
} // namespace ob::test
