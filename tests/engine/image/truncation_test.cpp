// Every test picture cut short at every length decodes cleanly: no image, or an
// image whose parts have the sizes its header calls for. (Run under the sanitizer
// build, this is the check that no cut reads or writes out of bounds.)
#include "engine/services/image/image_file.h"

#include "picture_support.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace ob::test {
namespace {

std::vector<std::string> Pictures() {
    std::vector<std::string> names;
    for (const char* folder : {"pygif", "giflib", "bmp", "jpeg"}) {
        for (const auto& entry : std::filesystem::directory_iterator(DataPath(folder))) {
            const std::string extension = entry.path().extension().string();
            if (extension == ".gif" || extension == ".bmp" || extension == ".jpg") {
                names.push_back(std::string(folder) + "/" + entry.path().filename().string());
            }
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

class TruncationTest : public ::testing::TestWithParam<std::string> {};

TEST_P(TruncationTest, EveryCutDecodesCleanly) {
    const Bytes file = ReadBytes(DataPath(GetParam()));
    ASSERT_FALSE(file.empty());
    for (std::size_t length = 0; length <= file.size(); ++length) {
        const image::ImageLoad load =
            image::DecodeImage(std::span<const std::uint8_t>(file.data(), length));
        if (!load.image) {
            ASSERT_TRUE(load.failed) << "cut at " << length;
            continue;
        }
        const image::BitmapInfoHeader& header = load.image->Header();
        ASSERT_GT(header.height, -1) << "cut at " << length;
        ASSERT_EQ(load.image->ColourTable().size(), image::ColourTableBytes(header));
        ASSERT_EQ(load.image->Pixels().size(), header.Uncompressed()
                                                   ? load.image->Stride() * load.image->Height()
                                                   : header.sizeImage)
            << "cut at " << length;
    }
}

std::string TestName(const ::testing::TestParamInfo<std::string>& info) {
    std::string name;
    for (const char c : info.param) {
        name += std::isalnum(static_cast<unsigned char>(c)) != 0 ? c : '_';
    }
    return name;
}

INSTANTIATE_TEST_SUITE_P(Pictures, TruncationTest, ::testing::ValuesIn(Pictures()), TestName);

} // namespace
} // namespace ob::test
