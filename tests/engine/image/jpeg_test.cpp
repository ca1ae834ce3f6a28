// JPEG through libjpeg: JFIF pictures read to ImageMagick's dumps, saving with a
// quality, grey output, the comment marker, the resolution and the JFIF test.
#include "engine/services/image/bmp_reader.h"
#include "engine/services/image/jpeg_reader.h"
#include "engine/services/image/jpeg_writer.h"

#include "picture_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace ob::test {
namespace {

using image::EncodeJpeg;
using image::ReadJpeg;

/// The picture the quality tests save: a photograph of 280 x 184 in 24 bits.
image::PackedDib Photo() {
    return *ReadJpeg(ReadBytes(DataPath("jpeg/rose-large.jpg")));
}

bool HasMarker(const Bytes& file, Bytes marker) {
    return std::search(file.begin(), file.end(), marker.begin(), marker.end()) != file.end();
}

TEST(JpegTest, JfifPicturesGiveImageMagicksDecoding) {
    for (const char* name :
         {"rose", "rose-progressive", "rose-grey", "rose-300dpi", "rose-large"}) {
        SCOPED_TRACE(name);
        const std::string stem = DataPath(std::string("jpeg/") + name);
        const auto dib = ReadJpeg(ReadBytes(stem + ".jpg"));
        ASSERT_TRUE(dib);
        EXPECT_EQ(Rgb(*dib), ReadBytes(stem + ".rgb"));
    }
    const auto grey = ReadJpeg(ReadBytes(DataPath("jpeg/rose-grey.jpg")));
    EXPECT_EQ(grey->Depth(), 8u);
    EXPECT_EQ(grey->Header().clrUsed, 256u);
    EXPECT_EQ(grey->ColourTable()[200 * 4 + 1], 200); // a grey palette
    EXPECT_EQ(ReadJpeg(ReadBytes(DataPath("jpeg/rose.jpg")))->Depth(), 24u);
}

TEST(JpegTest, ResolutionComesFromTheJfifDensity) {
    Bytes file = ReadBytes(DataPath("jpeg/rose.jpg"));
    struct Case {
        std::uint8_t unit;
        std::uint16_t density;
        std::int32_t pixelsPerMetre;
    };
    for (const Case c :
         {Case{0, 1, 2953}, Case{1, 300, 11811}, Case{1, 72, 2834}, Case{2, 100, 10000}}) {
        file[13] = c.unit;
        file[14] = file[16] = static_cast<std::uint8_t>(c.density >> 8);
        file[15] = file[17] = static_cast<std::uint8_t>(c.density);
        const auto dib = ReadJpeg(file);
        ASSERT_TRUE(dib);
        EXPECT_EQ(dib->Header().xPelsPerMeter, c.pixelsPerMetre) << int{c.unit};
        EXPECT_EQ(dib->Header().yPelsPerMeter, c.pixelsPerMetre) << int{c.unit};
    }
}

TEST(JpegTest, OnlyJfifFilesAreJpeg) {
    const Bytes jfif = ReadBytes(DataPath("jpeg/rose.jpg"));
    EXPECT_TRUE(image::IsJfif(jfif));
    Bytes exif = jfif;
    exif[3] = 0xE1;
    std::copy_n("Exif", 4, exif.begin() + 6);
    EXPECT_FALSE(image::IsJfif(exif));
    EXPECT_FALSE(ReadJpeg(exif));
    EXPECT_FALSE(image::IsJfif(Bytes(jfif.begin(), jfif.begin() + 10)));
}

TEST(JpegTest, PicturesLargerThanTheLimitAreRefusedBeforeDecoding) {
    // rose.jpg claims 65000 x 65000 pixels in its frame header.
    Bytes file = ReadBytes(DataPath("jpeg/rose.jpg"));
    const Bytes sof = {0xFF, 0xC0};
    const auto at = std::search(file.begin(), file.end(), sof.begin(), sof.end());
    ASSERT_NE(at, file.end());
    at[5] = at[7] = 0xFD;
    at[6] = at[8] = 0xE8;
    EXPECT_FALSE(ReadJpeg(file));
}

TEST(JpegTest, QualityNinetyKeepsThePictureAbove35Decibels) {
    const image::PackedDib photo = Photo();
    const auto file = EncodeJpeg(photo, 90, false);
    ASSERT_TRUE(file);
    const auto read = ReadJpeg(*file);
    ASSERT_TRUE(read);
    ASSERT_EQ(read->Width(), 280u);
    ASSERT_EQ(read->Height(), 184u);
    const double psnr = Psnr(Rgb(photo), Rgb(*read));
    EXPECT_GT(psnr, 35.0);
    // A lower quality is smaller and further from the picture.
    const auto low = EncodeJpeg(photo, 20, false);
    EXPECT_LT(low->size(), file->size());
    EXPECT_LT(Psnr(Rgb(photo), Rgb(*ReadJpeg(*low))), psnr);
}

TEST(JpegTest, FilesAreBaselineJfifWithTheCommentMarker) {
    for (const bool grey : {false, true}) {
        const auto file = EncodeJpeg(Photo(), 75, grey);
        ASSERT_TRUE(file);
        EXPECT_TRUE(image::IsJfif(*file));
        EXPECT_TRUE(HasMarker(*file, {0xFF, 0xC0})) << "baseline frame";
        EXPECT_FALSE(HasMarker(*file, {0xFF, 0xC2})) << "no progressive frame";
        Bytes comment = {0xFF, 0xFE, 0, 51};
        comment.insert(comment.end(), image::kJpegComment.begin(), image::kJpegComment.end());
        EXPECT_TRUE(HasMarker(*file, comment));
        const auto read = ReadJpeg(*file);
        EXPECT_EQ(read->Depth(), grey ? 8u : 24u);
    }
}

TEST(JpegTest, RunLengthImagesAreExpandedForSaving) {
    const auto rle = image::ReadBmp(ReadBytes(DataPath("bmp/rose8-rle.bmp")));
    const auto plain = image::ReadBmp(ReadBytes(DataPath("bmp/rose8.bmp")));
    EXPECT_EQ(*EncodeJpeg(*rle, 75, false), *EncodeJpeg(*plain, 75, false));
}

TEST(JpegTest, SavingRefusesOtherHeadersAndFourBitRunLength) {
    EXPECT_FALSE(EncodeJpeg(*image::ReadBmp(ReadBytes(DataPath("bmp/rose-v5.bmp"))), 75, false));
    image::PackedDib rle4 = Patterned(8, 2, 4);
    rle4.Header().compression = static_cast<std::uint32_t>(image::Compression::Rle4);
    EXPECT_FALSE(EncodeJpeg(rle4, 75, false));
    EXPECT_FALSE(EncodeJpeg(*image::PackedDib::Create(0, 5, 24, 0), 75, false));
}

} // namespace
} // namespace ob::test
