// The GIF reader against the RGB dumps of other decoders' test pictures, and its
// own rules: depth, colour tables, version question, clipping and every failure path.
#include "engine/services/image/gif/gif_reader.h"

#include "picture_support.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>

namespace ob::test {
namespace {

using image::GifProblem;
using image::ReadGif;

/// The settings of a pygif test (its .conf file): input, screen size, last frame.
struct SuiteTest {
    std::string input;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::string lastFrame; ///< the last frame's .rgba, empty when no frame is expected
};

SuiteTest ReadConf(const std::string& name) {
    std::ifstream conf(DataPath("pygif/" + name + ".conf"));
    SuiteTest test;
    std::string line;
    while (std::getline(conf, line)) {
        const std::size_t equals = line.find(" = ");
        if (equals == std::string::npos) {
            continue;
        }
        const std::string key = line.substr(0, equals);
        const std::string value = line.substr(equals + 3);
        if (key == "input") {
            test.input = value;
        } else if (key == "width") {
            test.width = static_cast<std::uint32_t>(std::stoul(value));
        } else if (key == "height") {
            test.height = static_cast<std::uint32_t>(std::stoul(value));
        } else if (key == "pixels") {
            test.lastFrame = value;
        }
    }
    return test;
}

/// Where the suite's expectation and the reader's rules part, what the reader gives.
struct Departure {
    enum Kind {
        Blank,  ///< the screen's bitmap with nothing drawn: index 0, black in these files
        DumpOf, ///< the RGB of another of the suite's dumps
    } kind;
    GifProblem problem;
    const char* dump = nullptr;
};

const std::map<std::string, Departure>& Departures() {
    static const std::map<std::string, Departure> departures = {
        // A screen without pixels is still an image (of no pixels); the suite wants none.
        {"zero-width", {Departure::Blank, GifProblem::None}},
        {"zero-height", {Departure::Blank, GifProblem::None}},
        {"zero-size", {Departure::Blank, GifProblem::None}},
        // A plain-text extension is skipped like every extension: nothing is drawn.
        {"plain-text", {Departure::Blank, GifProblem::None}},
        // Each 256-entry local table is larger than the 2 entries of the screen's depth.
        {"high-color", {Departure::Blank, GifProblem::LocalTableTooLarge}},
        // The data gives more pixels than the image has: the image fails.
        {"extra-pixels", {Departure::Blank, GifProblem::WrongPixelCount}},
        {"invalid-code", {Departure::Blank, GifProblem::InvalidCode}},
        // Index 2 at depth 1 is masked to index 0.
        {"invalid-colors", {Departure::Blank, GifProblem::None}},
        // Minimum code sizes 12 and 255: codes would not fit 12 bits.
        {"overflow-codes", {Departure::Blank, GifProblem::BadCodeSize}},
        {"overflow-codes-max", {Departure::Blank, GifProblem::BadCodeSize}},
        // Transparency plays no part: the transparent pixel shows its colour.
        {"transparent", {Departure::DumpOf, GifProblem::None, "four-colors.rgba"}},
        // Disposal plays no part: every image stays drawn.
        {"dispose-restore-background",
         {Departure::DumpOf, GifProblem::None, "animation-fill.3.rgba"}},
        {"dispose-restore-previous",
         {Departure::DumpOf, GifProblem::None, "animation-fill.3.rgba"}},
    };
    return departures;
}

TEST(GifReaderTest, SuitePicturesGiveTheirDumpsOrTheReadersOwnRule) {
    std::ifstream list(DataPath("pygif/TESTS"));
    std::string name;
    std::size_t tests = 0;
    while (list >> name) {
        SCOPED_TRACE(name);
        ++tests;
        const SuiteTest test = ReadConf(name);
        const image::GifReadResult result = ReadGif(ReadBytes(DataPath("pygif/" + test.input)));
        const auto departure = Departures().find(name);
        if (departure == Departures().end() && test.lastFrame.empty()) {
            // Only a screen too large to allocate gives no image at all.
            EXPECT_FALSE(result.image);
            EXPECT_EQ(result.problem, GifProblem::ScreenTooLarge);
            continue;
        }
        ASSERT_TRUE(result.image);
        EXPECT_EQ(result.image->Width(), test.width);
        EXPECT_EQ(result.image->Height(), test.height);
        const Bytes rgb = Rgb(*result.image);
        if (departure == Departures().end()) {
            EXPECT_EQ(rgb, RgbOfRgba(ReadBytes(DataPath("pygif/" + test.lastFrame))));
            continue;
        }
        EXPECT_EQ(result.problem, departure->second.problem);
        if (departure->second.kind == Departure::Blank) {
            EXPECT_EQ(rgb, Bytes(std::size_t{test.width} * test.height * 3, 0));
        } else {
            EXPECT_EQ(rgb, RgbOfRgba(ReadBytes(
                               DataPath(std::string("pygif/") + departure->second.dump))));
        }
    }
    EXPECT_EQ(tests, 84u);
}

TEST(GifReaderTest, GiflibPicturesGiveTheirDumpsExactly) {
    // Interlaced images (treescap-interlaced, x-trans, fire), 87a and 89a, tables of
    // 3 to 8 bits, and several images with 256-entry local tables (welcome2).
    for (const char* name : {"fire", "gifgrid", "porsche", "solid2", "treescap",
                             "treescap-interlaced", "welcome2", "x-trans"}) {
        SCOPED_TRACE(name);
        const std::string stem = DataPath(std::string("giflib/") + name);
        const image::GifReadResult result = ReadGif(ReadBytes(stem + ".gif"));
        ASSERT_TRUE(result.image);
        EXPECT_EQ(result.problem, GifProblem::None);
        EXPECT_EQ(Rgb(*result.image), ReadBytes(stem + ".rgb"));
    }
    const auto plain = ReadGif(ReadBytes(DataPath("giflib/treescap.gif")));
    const auto interlaced = ReadGif(ReadBytes(DataPath("giflib/treescap-interlaced.gif")));
    EXPECT_TRUE(std::equal(plain.image->Pixels().begin(), plain.image->Pixels().end(),
                           interlaced.image->Pixels().begin(), interlaced.image->Pixels().end()));
}

TEST(GifReaderTest, HeaderFollowsTheScreensTableSizeBits) {
    struct Case {
        const char* name;
        unsigned depth;
        std::uint32_t important; // entries of the global table
    };
    const Case cases[] = {{"depth1", 1, 2},   {"depth2", 4, 4},   {"depth3", 4, 8},
                          {"depth4", 4, 16},  {"depth5", 8, 32},  {"depth6", 8, 64},
                          {"depth7", 8, 128}, {"depth8", 8, 256}, {"no-global-color-table", 1, 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto result = ReadGif(ReadBytes(DataPath(std::string("pygif/") + c.name + ".gif")));
        ASSERT_TRUE(result.image);
        const image::BitmapInfoHeader& header = result.image->Header();
        EXPECT_EQ(header.size, 40u);
        EXPECT_EQ(header.bitCount, c.depth);
        EXPECT_EQ(header.compression, 0u);
        EXPECT_EQ(header.clrUsed, 1u << c.depth);
        EXPECT_EQ(header.clrImportant, c.important);
        EXPECT_EQ(header.xPelsPerMeter, 2953);
        EXPECT_EQ(header.sizeImage, 4u); // one pixel, one padded row
        EXPECT_EQ(result.image->ColourTable().size(), (1u << c.depth) * 4);
    }
}

TEST(GifReaderTest, UnknownVersionAsksWhetherToGoOn) {
    Bytes file = ReadBytes(DataPath("pygif/gif87a.gif"));
    const image::GifReadResult known = ReadGif(file);
    file[3] = '9';
    file[4] = '0';
    for (const bool ok : {true, false}) {
        std::string asked;
        image::GifReadOptions options;
        options.askVersion = [&](std::string_view text, std::string_view caption) {
            asked = std::string(text) + "|" + std::string(caption);
            return ok;
        };
        const image::GifReadResult result = ReadGif(file, options);
        EXPECT_EQ(asked, "Unbekannte GIF-Version: 90a\n\rWeiter?|CONV_GIFDLL");
        if (ok) {
            ASSERT_TRUE(result.image);
            EXPECT_EQ(Rgb(*result.image), Rgb(*known.image));
        } else {
            EXPECT_FALSE(result.image);
            EXPECT_EQ(result.problem, GifProblem::VersionRefused);
        }
    }
}

TEST(GifReaderTest, FailedImagesLeaveWhatWasDrawnBefore) {
    const Bytes four = {1, 2, 3, 1};
    struct Case {
        const char* what;
        Bytes file;
        GifProblem problem;
    };
    const Case cases[] = {
        {"local table of 256 entries at depth 4",
         GifBuilder(2, 2, 3, true)
             .Image(0, 0, 2, 2, four, -1, 2)
             .Image(0, 0, 1, 1, {5}, 7)
             .Finish(),
         GifProblem::LocalTableTooLarge},
        {"no table at all for the second image",
         GifBuilder(2, 2, 3, false)
             .Image(0, 0, 2, 2, four, 2, 2)
             .Image(0, 0, 1, 1, {5}, -1, 2)
             .Finish(),
         GifProblem::NoColourTable},
        {"an image of 65535 x 65535 pixels",
         GifBuilder(2, 2, 3, true)
             .Image(0, 0, 2, 2, four, -1, 2)
             .Raw({0x2C, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 2, 0})
             .Finish(),
         GifProblem::ImageTooLarge},
        {"a block that begins with neither ! nor , nor ;",
         GifBuilder(2, 2, 3, true).Image(0, 0, 2, 2, four, -1, 2).Raw({0x2B}).Finish(),
         GifProblem::UnexpectedByte},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const image::GifReadResult result = ReadGif(c.file);
        ASSERT_TRUE(result.image);
        EXPECT_EQ(result.problem, c.problem);
        // The first image stands: indices 1, 2 on the top row, 3, 1 below.
        EXPECT_EQ(result.image->Row(1)[0], 0x12);
        EXPECT_EQ(result.image->Row(0)[0], 0x31);
    }
}

TEST(GifReaderTest, ImagesAreClippedToTheScreen) {
    // A 3x2 image at (2, 1) on a 3x3 screen: one column and two rows are visible,
    // the last row and column of the screen; an image at (3, 0) draws nothing.
    const Bytes pixels = {1, 2, 3, 4, 5, 6};
    const Bytes file = GifBuilder(3, 3, 7, true)
                           .Image(2, 1, 3, 2, pixels, -1, 8)
                           .Image(3, 0, 1, 1, {9}, -1, 8)
                           .Finish();
    const image::GifReadResult result = ReadGif(file);
    ASSERT_TRUE(result.image);
    EXPECT_EQ(result.problem, GifProblem::None);
    const Bytes expected = {0, 0, 0, 0, 0, 1, 0, 0, 4}; // indices, rows from the top
    Bytes indices;
    for (std::uint32_t y = 3; y-- > 0;) {
        indices.insert(indices.end(), result.image->Row(y).begin(),
                       result.image->Row(y).begin() + 3);
    }
    EXPECT_EQ(indices, expected);
}

TEST(GifReaderTest, ScreensBeyondTheLimitGiveNoImage) {
    const Bytes file = GifBuilder(40000, 40000, 7, true).Finish(); // 1.6 GB of pixels
    EXPECT_EQ(ReadGif(file).problem, GifProblem::ScreenTooLarge);
    image::GifReadOptions small;
    small.maxPixelBytes = 1000;
    const Bytes fits = GifBuilder(40, 25, 7, true).Finish();
    EXPECT_TRUE(ReadGif(fits, small).image);
    const Bytes beyond = GifBuilder(40, 26, 7, true).Finish();
    EXPECT_FALSE(ReadGif(beyond, small).image);
}

TEST(GifReaderTest, FilesThatAreNotGifGiveNoImage) {
    for (const Bytes& file : {Bytes{}, Bytes{'G', 'I'}, Bytes{'B', 'M', 0, 0, 0, 0}}) {
        EXPECT_EQ(ReadGif(file).problem, GifProblem::NotGif);
    }
    EXPECT_EQ(ReadGif(Bytes{'G', 'I', 'F', '8', '9', 'a', 1, 0}).problem, GifProblem::NoScreen);
}

} // namespace
} // namespace ob::test
