// Pictures: GIF decoding by our reader against giflib's DGifSlurp on the same files
// (the GIF test pictures, read from memory), and saving a 4000 x 3000 picture as
// JPEG. giflib is linked into this program only, and only when its development
// package (Debian's libgif-dev) is installed; without it only our side runs.
//
// Run: build/test/bin/image_bench

#include "engine/services/image/gif/gif_reader.h"
#include "engine/services/image/jpeg_writer.h"
#include "platform/fs/whole_file.h"

#include <benchmark/benchmark.h>

#ifdef OB_HAVE_GIFLIB
#include <gif_lib.h>
#endif

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Picture(const std::string& name) {
    std::ifstream in(std::string(OB_IMAGE_DATA_DIR) + "/" + name, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void GifObrenta(benchmark::State& state, const char* name) {
    const Bytes file = Picture(name);
    for (auto _ : state) {
        ob::image::GifReadResult result = ob::image::ReadGif(file);
        benchmark::DoNotOptimize(result.image->Pixels().data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * file.size()));
}

#ifdef OB_HAVE_GIFLIB
struct Memory {
    const Bytes* file;
    std::size_t at;
};

int ReadMemory(GifFileType* gif, GifByteType* out, int count) {
    Memory& memory = *static_cast<Memory*>(gif->UserData);
    const std::size_t n =
        std::min<std::size_t>(static_cast<std::size_t>(count), memory.file->size() - memory.at);
    std::memcpy(out, memory.file->data() + memory.at, n);
    memory.at += n;
    return static_cast<int>(n);
}

void GifGiflib(benchmark::State& state, const char* name) {
    const Bytes file = Picture(name);
    for (auto _ : state) {
        Memory memory{&file, 0};
        int error = 0;
        GifFileType* gif = DGifOpen(&memory, ReadMemory, &error);
        if (gif == nullptr || DGifSlurp(gif) != GIF_OK) {
            state.SkipWithError("giflib could not decode the file");
            break;
        }
        benchmark::DoNotOptimize(gif->SavedImages[0].RasterBits);
        DGifCloseFile(gif, &error);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * file.size()));
}
#define OB_GIF_PAIR(label, file)                                                                   \
    BENCHMARK_CAPTURE(GifObrenta, label, file);                                                    \
    BENCHMARK_CAPTURE(GifGiflib, label, file)
#else
#define OB_GIF_PAIR(label, file) BENCHMARK_CAPTURE(GifObrenta, label, file)
#endif

OB_GIF_PAIR(solid2_640x400, "giflib/solid2.gif");
OB_GIF_PAIR(porsche_320x200, "giflib/porsche.gif");
OB_GIF_PAIR(welcome2_6_frames, "giflib/welcome2.gif");
OB_GIF_PAIR(fire_33_frames, "giflib/fire.gif");
OB_GIF_PAIR(gifgrid_100x100, "giflib/gifgrid.gif");
OB_GIF_PAIR(codes_4095_100x100, "pygif/4095-codes.gif");

/// A 4000 x 3000 picture of 24 (or 8) bits: smooth gradients with fine detail, as
/// a photograph has.
ob::image::PackedDib LargePicture(unsigned depth) {
    ob::image::PackedDib dib =
        *ob::image::PackedDib::Create(4000, 3000, depth, depth == 8 ? 256 : 0);
    for (std::size_t i = 0; i < dib.ColourTable().size(); i += 4) {
        dib.ColourTable()[i] = static_cast<std::uint8_t>(i / 4);
        dib.ColourTable()[i + 1] = static_cast<std::uint8_t>(255 - i / 4);
        dib.ColourTable()[i + 2] = static_cast<std::uint8_t>(i / 8);
    }
    for (std::uint32_t y = 0; y < 3000; ++y) {
        std::span<std::uint8_t> row = dib.Row(y);
        for (std::size_t x = 0; x < row.size(); ++x) {
            row[x] = static_cast<std::uint8_t>(x / 16 + y / 12 + ((x * 7 + y * 3) % 11));
        }
    }
    return dib;
}

void JpegSave(benchmark::State& state, unsigned depth, int quality) {
    const ob::image::PackedDib dib = LargePicture(depth);
    const std::string path = "/tmp/ob_image_bench_" + std::to_string(::getpid()) + ".jpg";
    std::size_t size = 0;
    for (auto _ : state) {
        const auto file = ob::image::EncodeJpeg(dib, quality, false);
        if (!file || ob::fs::ReplaceWholeFile(path, *file) != 0) {
            state.SkipWithError("the picture could not be saved");
            break;
        }
        size = file->size();
    }
    ::unlink(path.c_str());
    state.counters["file_bytes"] = static_cast<double>(size);
    state.SetItemsProcessed(state.iterations() * 4000 * 3000);
}
BENCHMARK_CAPTURE(JpegSave, rgb24_q75, 24u, 75)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(JpegSave, rgb24_q90, 24u, 90)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(JpegSave, palette8_q75, 8u, 75)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
