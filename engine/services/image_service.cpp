#include "engine/services/image_service.h"

#include "engine/expansion/leading_integer.h"
#include "engine/services/image/bmp_writer.h"
#include "engine/services/image/dib_crop.h"
#include "engine/services/image/image_file.h"
#include "engine/services/image/jpeg_writer.h"
#include "engine/services/service_handle_table.h"
#include "variables/variable_manager.h"
#include "obrenta/service.h"
#include "platform/fs/whole_file.h"
#include "platform/sound/error_beep.h"
#include "platform/text/ascii_case.h"

#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace ob::engine {
namespace {

constexpr const char* kOpenError = "IMG::Error opening image file.";
constexpr const char* kCropError = "IMG::Error cropping image file.";
constexpr const char* kSaveError = "IMG::Error saving image file.";
constexpr const char* kBadHandle = "Bad IMG handle.";

/// An image in the handle table; never changed once made.
class ImageObject : public ServiceObject {
public:
    explicit ImageObject(image::PackedDib image) : dib(std::move(image)) {}
    const image::PackedDib dib;
};

using Words = std::vector<std::string>; // words[1] the function, its own words after it

void Store(const std::string& variable, const std::string& value) {
    vars::MainStore().PutEnv(nullptr, variable.c_str(), value.c_str(), vars::ENV_TRANSIENT);
}

std::int32_t Fail(const char* message) {
    vars::MainStore().SetLastErrorText(message);
    sound::ErrorBeep();
    return OB_SVC_FAILED;
}

/// The handle text the variable holds (empty when it is missing).
std::string HandleText(const std::string& variable) {
    return vars::MainStore().Get(nullptr, variable.c_str(), vars::ENV_TRANSIENT).value_or("");
}

std::shared_ptr<const ImageObject> FindImage(const std::string& handle) {
    return std::dynamic_pointer_cast<const ImageObject>(ServiceHandles().Find(handle));
}

/// Keeps the image and puts its handle into the variable.
void Keep(const std::string& variable, image::PackedDib dib) {
    Store(variable, ServiceHandles().Add(std::make_shared<ImageObject>(std::move(dib))));
}

std::int32_t Save(const std::string& path, const std::optional<std::vector<std::uint8_t>>& file) {
    if (!file || fs::ReplaceWholeFile(path, *file) != 0) {
        return Fail(kSaveError);
    }
    return OB_SVC_OK;
}

std::int32_t Read(const Words& w) {
    // Only files that start as GIF87a or GIF89a reach the GIF reader, so its
    // version question is never asked here; were it asked, there is no desktop to
    // answer on, and the reading goes on as after OK.
    image::ImageLoad load = image::LoadImageFile(w[3]);
    if (load.failed) {
        sound::ErrorBeep();
    }
    if (!load.image) {
        return Fail(kOpenError);
    }
    Keep(w[2], std::move(*load.image));
    return OB_SVC_OK;
}

std::int32_t Crop(const Words& w) {
    const std::string handle = HandleText(w[2]);
    const std::shared_ptr<const ImageObject> found = FindImage(handle);
    if (!found) {
        return Fail(kBadHandle);
    }
    const auto number = [&w](std::size_t i) { return i < w.size() ? LeadingInteger(w[i]) : 0; };
    std::optional<image::PackedDib> crop =
        image::CropDib(found->dib, number(3), number(4), number(5), number(6));
    if (!crop) {
        return Fail(kCropError);
    }
    Keep(w[2], std::move(*crop));
    ServiceHandles().Remove(handle);
    return OB_SVC_OK;
}

std::int32_t WriteJpg(const Words& w) {
    const std::shared_ptr<const ImageObject> found = FindImage(HandleText(w[2]));
    if (!found) {
        return Fail(kBadHandle);
    }
    const int quality = w.size() > 4 ? LeadingInteger(w[4]) : image::kDefaultJpegQuality;
    const bool grey = w.size() > 5 && LeadingInteger(w[5]) != 0;
    return Save(w[3], image::EncodeJpeg(found->dib, quality, grey));
}

std::int32_t WriteBmp(const Words& w) {
    const std::shared_ptr<const ImageObject> found = FindImage(HandleText(w[2]));
    if (!found) {
        return Fail(kBadHandle);
    }
    return Save(w[3], image::EncodeBmp(found->dib));
}

std::int32_t Release(const Words& w) {
    const std::string handle = HandleText(w[2]);
    if (!FindImage(handle) || !ServiceHandles().Remove(handle)) {
        return Fail(kBadHandle);
    }
    return OB_SVC_OK;
}

struct Function {
    std::string_view name;
    std::size_t required; ///< words after the function that must be present
    std::int32_t (*run)(const Words& words);
};

constexpr auto kFunctions = std::to_array<Function>({
    {"dibRead", 2, Read},
    {"dibCrop", 3, Crop},
    {"dibWriteJPG", 2, WriteJpg},
    {"dibWriteBMP", 2, WriteBmp},
    {"dibRelease", 1, Release},
});

} // namespace

std::int32_t ImageService(const char* const* words) {
    Words w;
    for (std::size_t i = 0; words != nullptr && words[i] != nullptr; ++i) {
        w.emplace_back(words[i]);
    }
    if (w.size() < 2) {
        return OB_SVC_BAD_FORMAT;
    }
    if (text::EqualsIgnoringCase(w[1], "IMAGE.VERSION")) {
        Store("IMAGE.VERSION", "Obrenta IMAGE version 2.0");
        return OB_SVC_OK;
    }
    for (const Function& function : kFunctions) {
        if (text::EqualsIgnoringCase(w[1], function.name)) {
            return w.size() < 2 + function.required ? OB_SVC_TOO_FEW : function.run(w);
        }
    }
    return OB_SVC_UNKNOWN;
}

} // namespace ob::engine
