// The -img service: its functions and result codes through the entry point, the
// handle table, the file search, and the directive in a job's run.
#include "engine/services/image/bmp_reader.h"
#include "engine/services/image/dib_crop.h"
#include "engine/services/image/gif/gif_reader.h"
#include "engine/services/image/jpeg_reader.h"
#include "engine/services/image/jpeg_writer.h"
#include "engine/services/image_service.h"
#include "engine/services/service_handle_table.h"
#include "host_fixture.h"
#include "obrenta/service.h"
#include "picture_support.h"
#include "platform/env/environment.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

namespace ob::test {
namespace {

class ImageServiceTest : public HostDirectiveTest {
protected:
    void SetUp() override {
        HostDirectiveTest::SetUp();
        env::Remove("JR.LAST_ERROR");
        env::Remove("H");
    }

    /// Calls the service with "-img" followed by `words`.
    static std::int32_t Img(const std::vector<std::string>& words) {
        std::vector<const char*> array{"-img"};
        for (const std::string& word : words) {
            array.push_back(word.c_str());
        }
        array.push_back(nullptr);
        return engine::ImageService(array.data());
    }

    static std::string LastError() { return env::Get("JR.LAST_ERROR").value_or("(unset)"); }
    static std::string Handle() { return env::Get("H").value_or(""); }
    std::string Out(const std::string& name) const { return Scratch() / name; }
};

const std::string kPorsche = DataPath("giflib/porsche.gif");

TEST_F(ImageServiceTest, ReadCropSaveAndRelease) {
    ASSERT_EQ(Img({"dibRead", "H", kPorsche}), OB_SVC_OK);
    const std::string first = Handle();
    EXPECT_TRUE(engine::ServiceHandleTable::ParseHandle(first)) << first;
    ASSERT_EQ(Img({"DIBCROP", "H", "100", "50", "10", "20"}), OB_SVC_OK);
    const std::string cropped = Handle();
    EXPECT_NE(cropped, first);
    EXPECT_FALSE(engine::ServiceHandles().Find(first)) << "the old image is freed";

    ASSERT_EQ(Img({"dibWriteBMP", "H", Out("crop.bmp")}), OB_SVC_OK);
    const auto bmp = image::ReadBmp(ReadBytes(Out("crop.bmp")));
    ASSERT_TRUE(bmp);
    EXPECT_EQ(bmp->Width(), 100u);
    EXPECT_EQ(bmp->Height(), 50u);
    const auto whole = image::ReadGif(ReadBytes(kPorsche)).image;
    EXPECT_EQ(Rgb(*bmp), Rgb(*image::CropDib(*whole, 100, 50, 10, 20)));

    ASSERT_EQ(Img({"dibWriteJPG", "H", Out("crop.jpg"), "90", "1"}), OB_SVC_OK);
    const auto jpeg = image::ReadJpeg(ReadBytes(Out("crop.jpg")));
    ASSERT_TRUE(jpeg);
    EXPECT_EQ(jpeg->Depth(), 8u) << "the grey flag gives one grey component";

    EXPECT_EQ(Img({"dibRelease", "H"}), OB_SVC_OK);
    EXPECT_FALSE(engine::ServiceHandles().Find(cropped));
    EXPECT_EQ(Img({"dibRelease", "H"}), OB_SVC_FAILED);
    EXPECT_EQ(LastError(), "Bad IMG handle.");
}

TEST_F(ImageServiceTest, ResultCodesAndMessages) {
    std::ofstream(Out("text.gif")) << "not a picture";
    struct Case {
        std::vector<std::string> words;
        std::int32_t code;
        std::string error; // JR.LAST_ERROR afterwards ("(unset)": not set)
    };
    const std::vector<Case> cases = {
        {{}, OB_SVC_BAD_FORMAT, "(unset)"},
        {{"dibRead", "H"}, OB_SVC_TOO_FEW, "(unset)"},
        {{"dibCrop", "H", "10"}, OB_SVC_TOO_FEW, "(unset)"},
        {{"dibWriteJPG", "H"}, OB_SVC_TOO_FEW, "(unset)"},
        {{"dibRelease"}, OB_SVC_TOO_FEW, "(unset)"},
        {{"dibPaint", "H"}, OB_SVC_UNKNOWN, "(unset)"},
        {{"dibRelease", "MISSING"}, OB_SVC_FAILED, "Bad IMG handle."},
        {{"dibCrop", "MISSING", "1", "1"}, OB_SVC_FAILED, "Bad IMG handle."},
        {{"dibWriteJPG", "MISSING", Out("x.jpg")}, OB_SVC_FAILED, "Bad IMG handle."},
        {{"dibWriteBMP", "MISSING", Out("x.bmp")}, OB_SVC_FAILED, "Bad IMG handle."},
        {{"dibRead", "H", Out("none.gif")}, OB_SVC_FAILED, "IMG::Error opening image file."},
        {{"dibRead", "H", Out("text.gif")}, OB_SVC_FAILED, "IMG::Error opening image file."},
        {{"dibRead", "H", Scratch().Path().string()},
         OB_SVC_FAILED,
         "IMG::Error opening image file."},
    };
    for (const Case& c : cases) {
        env::Remove("JR.LAST_ERROR");
        std::string call;
        for (const std::string& word : c.words) {
            call += word + " ";
        }
        EXPECT_EQ(Img(c.words), c.code) << call;
        EXPECT_EQ(LastError(), c.error) << call;
    }
    EXPECT_EQ(Img({"image.version"}), OB_SVC_OK);
    EXPECT_EQ(env::Get("IMAGE.VERSION"), "Obrenta IMAGE version 2.0");
}

TEST_F(ImageServiceTest, FailedCropsAndSavesKeepTheImage) {
    ASSERT_EQ(Img({"dibRead", "H", kPorsche}), OB_SVC_OK);
    const std::string handle = Handle();
    EXPECT_EQ(Img({"dibCrop", "H", "0", "10"}), OB_SVC_FAILED);
    EXPECT_EQ(LastError(), "IMG::Error cropping image file.");
    EXPECT_EQ(Img({"dibWriteBMP", "H", Out("missing/x.bmp")}), OB_SVC_FAILED);
    EXPECT_EQ(LastError(), "IMG::Error saving image file.");
    EXPECT_EQ(Img({"dibWriteJPG", "H", Scratch().Path().string()}), OB_SVC_FAILED);
    EXPECT_EQ(LastError(), "IMG::Error saving image file.");
    EXPECT_EQ(Handle(), handle);
    EXPECT_EQ(Img({"dibRelease", "H"}), OB_SVC_OK);
}

TEST_F(ImageServiceTest, QualityDefaultsTo75) {
    ASSERT_EQ(Img({"dibRead", "H", kPorsche}), OB_SVC_OK);
    ASSERT_EQ(Img({"dibWriteJPG", "H", Out("default.jpg")}), OB_SVC_OK);
    ASSERT_EQ(Img({"dibWriteJPG", "H", Out("75.jpg"), "75"}), OB_SVC_OK);
    ASSERT_EQ(Img({"dibWriteJPG", "H", Out("90.jpg"), "90", "0"}), OB_SVC_OK);
    EXPECT_EQ(ReadBytes(Out("default.jpg")), ReadBytes(Out("75.jpg")));
    EXPECT_NE(ReadBytes(Out("default.jpg")), ReadBytes(Out("90.jpg")));
    EXPECT_EQ(image::ReadJpeg(ReadBytes(Out("90.jpg")))->Depth(), 24u);
    EXPECT_EQ(Img({"dibRelease", "H"}), OB_SVC_OK);
}

TEST_F(ImageServiceTest, HandlesOfOtherObjectsAreBadImageHandles) {
    const std::string other =
        engine::ServiceHandles().Add(std::make_shared<engine::ServiceObject>());
    env::Set("H", other);
    EXPECT_EQ(Img({"dibRelease", "H"}), OB_SVC_FAILED);
    EXPECT_EQ(LastError(), "Bad IMG handle.");
    EXPECT_TRUE(engine::ServiceHandles().Find(other)) << "another service's object stays";
    EXPECT_TRUE(engine::ServiceHandles().Remove(other));
}

TEST_F(ImageServiceTest, BareNamesAreSearchedAlongPath) {
    std::filesystem::copy_file(kPorsche, Out("found-on-path.gif"));
    const std::string path = env::Get("PATH").value_or("");
    env::Set("PATH", Scratch().Path().string() + ":" + path);
    EXPECT_EQ(Img({"dibRead", "H", "found-on-path.gif"}), OB_SVC_OK);
    env::Set("PATH", path);
    EXPECT_EQ(Img({"dibRelease", "H"}), OB_SVC_OK);
    EXPECT_EQ(Img({"dibRead", "H", "found-on-path.gif"}), OB_SVC_FAILED);
}

TEST_F(ImageServiceTest, JobStatementsCallTheService) {
    const std::string script = "{\n\t-name thumb\n"
                               "\t-action -img dibRead PIC " +
                               kPorsche +
                               "\n"
                               "\t-action -img dibCrop PIC 64 48 100 50\n"
                               "\t-action -img dibWriteJPG PIC " +
                               Out("thumb.jpg") +
                               " 85\n"
                               "\t-action -img dibRelease PIC\n"
                               "\t-action -onerror continue\n"
                               "\t-action -img dibRelease PIC\n"
                               "\t-action -print [%JR.LAST_ERROR%]\n"
                               "\t-action -img\n"
                               "}\n";
    ASSERT_TRUE(LoadScript("thumb.jr", script));
    EXPECT_EQ(Run("thumb"), engine::RunResult::Abort);
    const auto lines = Lines(Events());
    EXPECT_TRUE(HasLine(lines, "[Bad IMG handle.] "));
    EXPECT_TRUE(HasLine(lines, "Bad format for SERVICE command: \"-img\""));
    const auto thumb = image::ReadJpeg(ReadBytes(Out("thumb.jpg")));
    ASSERT_TRUE(thumb);
    EXPECT_EQ(thumb->Width(), 64u);
}

TEST_F(ImageServiceTest, ExampleJobMakesTheThumbnailOfTheNewestPicture) {
    const std::filesystem::path camera = Scratch().Path() / "camera";
    std::filesystem::create_directories(camera / "thumbs");
    const auto porsche = image::ReadGif(ReadBytes(kPorsche)).image;
    const Bytes newest = *image::EncodeJpeg(*porsche, 90, false);
    std::ofstream(camera / "newest.jpg", std::ios::binary)
        .write(reinterpret_cast<const char*>(newest.data()),
               static_cast<std::streamsize>(newest.size()));
    std::filesystem::copy_file(DataPath("jpeg/rose.jpg"), camera / "older.jpg");
    std::filesystem::last_write_time(camera / "older.jpg",
                                     std::filesystem::last_write_time(camera / "newest.jpg") -
                                         std::chrono::hours(1));
    env::Set("CAMERA", camera.string());
    std::ifstream example(OB_EXAMPLE_THUMBNAIL);
    const std::string script((std::istreambuf_iterator<char>(example)),
                             std::istreambuf_iterator<char>());
    ASSERT_TRUE(LoadScript("thumbnail.jr", script));
    EXPECT_EQ(Run("newest_thumbnail"), engine::RunResult::Continue);
    env::Remove("CAMERA");
    EXPECT_TRUE(HasLine(Lines(Events()), "Thumbnail of newest.jpg written. "));
    const auto thumb = image::ReadJpeg(ReadBytes((camera / "thumbs/newest.jpg").string()));
    ASSERT_TRUE(thumb);
    EXPECT_EQ(thumb->Width(), 160u);
    EXPECT_EQ(thumb->Height(), 120u);
    const auto corner = image::CropDib(*image::ReadJpeg(newest), 160, 120);
    EXPECT_GT(Psnr(Rgb(*thumb), Rgb(*corner)), 30.0) << "the top left corner of newest.jpg";
}

} // namespace
} // namespace ob::test
