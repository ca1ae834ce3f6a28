#include "engine/services/image/image_file.h"

#include "engine/services/image/bmp_reader.h"
#include "engine/services/image/jpeg_reader.h"
#include "platform/fs/search_path.h"
#include "platform/fs/whole_file.h"

#include <cstring>

namespace ob::image {
namespace {

bool IsGif(std::span<const std::uint8_t> file) {
    return file.size() >= 6 && (std::memcmp(file.data(), "GIF87a", 6) == 0 ||
                                std::memcmp(file.data(), "GIF89a", 6) == 0);
}

} // namespace

ImageLoad DecodeImage(std::span<const std::uint8_t> file, const GifReadOptions& options) {
    ImageLoad load;
    if (IsGif(file)) {
        GifReadResult gif = ReadGif(file, options);
        load.image = std::move(gif.image);
        load.failed = gif.problem != GifProblem::None;
        return load;
    }
    load.image =
        IsJfif(file) ? ReadJpeg(file, options.maxPixelBytes) : ReadBmp(file, options.maxPixelBytes);
    load.failed = !load.image;
    return load;
}

ImageLoad LoadImageFile(std::string_view name, const GifReadOptions& options) {
    const std::optional<std::string> path = fs::SearchFile(name);
    const auto bytes = path ? fs::ReadWholeFile(*path, kMaxImageFileBytes) : std::nullopt;
    if (!bytes) {
        return ImageLoad{std::nullopt, true};
    }
    return DecodeImage(*bytes, options);
}

} // namespace ob::image
