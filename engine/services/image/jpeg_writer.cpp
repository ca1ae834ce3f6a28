#include "engine/services/image/jpeg_writer.h"

#include "engine/services/image/bgr_rows.h"
#include "engine/services/image/jpeg_error_trap.h"

#include <cstdlib>

namespace ob::image {
namespace {

/// What the compression works on; it outlives an error that jumps out of Encode.
struct Job {
    const BgrRows* rows = nullptr;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    int quality = kDefaultJpegQuality;
    bool grey = false;
    std::vector<std::uint8_t> row;
    unsigned char* buffer = nullptr; // malloc'd by libjpeg's memory destination
    unsigned long size = 0;
};

// libjpeg's part of the writing; an error jumps back here (see jpeg_error_trap.h).
bool Encode(jpeg_compress_struct& info, JpegErrorTrap& trap, Job& job) {
    if (setjmp(trap.jump) != 0) {
        return false;
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, &job.buffer, &job.size);
    info.image_width = job.width;
    info.image_height = job.height;
    info.input_components = 3;
    info.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&info);
    if (job.grey) {
        jpeg_set_colorspace(&info, JCS_GRAYSCALE);
    }
    jpeg_set_quality(&info, job.quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    jpeg_write_marker(&info, JPEG_COM, reinterpret_cast<const JOCTET*>(kJpegComment.data()),
                      static_cast<unsigned>(kJpegComment.size()));
    while (info.next_scanline < info.image_height) {
        job.rows->Row(info.next_scanline, job.row.data());
        JSAMPROW row = job.row.data();
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    return true;
}

} // namespace

std::optional<std::vector<std::uint8_t>> EncodeJpeg(const PackedDib& dib, int quality, bool grey) {
    const std::optional<BgrRows> rows = BgrRows::For(dib);
    if (!rows) {
        return std::nullopt;
    }
    Job job;
    job.rows = &*rows;
    job.width = dib.Width();
    job.height = dib.Height();
    job.quality = quality;
    job.grey = grey;
    job.row.resize(std::size_t{job.width} * 3);
    jpeg_compress_struct info{};
    JpegErrorTrap trap{};
    info.err = ArmJpegErrorTrap(trap);
    const bool encoded = Encode(info, trap, job);
    jpeg_destroy_compress(&info);
    std::optional<std::vector<std::uint8_t>> file;
    if (encoded) {
        file.emplace(job.buffer, job.buffer + job.size);
    }
    std::free(job.buffer);
    return file;
}

} // namespace ob::image
