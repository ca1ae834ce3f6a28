// Test support for the image codecs: the test pictures, images as RGB, a GIF file
// builder and patterned images of every depth.
#pragma once

#include "engine/services/image/packed_dib.h"

#include <cstdint>
#include <string>
#include <vector>

namespace ob::test {

using Bytes = std::vector<std::uint8_t>;

/// The path of a file below the test data folder.
std::string DataPath(const std::string& name);
/// The bytes of a file (empty when it cannot be read).
Bytes ReadBytes(const std::string& path);

/// The image as R,G,B rows, top row first (through its palette or bit fields).
Bytes Rgb(const image::PackedDib& dib);
/// The R,G,B bytes of R,G,B,A rows.
Bytes RgbOfRgba(const Bytes& rgba);
/// Peak signal-to-noise ratio of two equally long 8-bit sample runs, in dB.
double Psnr(const Bytes& a, const Bytes& b);

/// A depth and pixel layout an image may have.
struct Layout {
    unsigned depth;
    bool bitFields; ///< 16 and 32 bits: colour masks of their own
};
/// Every layout the codecs handle: 1, 4, 8, 16, 24 and 32 bits, 16 and 32 also with masks.
inline constexpr Layout kLayouts[] = {{1, false}, {4, false},  {8, false},  {16, false},
                                      {16, true}, {24, false}, {32, false}, {32, true}};

/// An image of `depth` bits (1, 4, 8: with a palette of distinct colours; 16, 24,
/// 32: without one) whose pixels all differ from their neighbours, so that a pixel
/// or a row moved shows. `bitFields` gives 16 and 32-bit images 5-6-5 (16) or
/// 8-8-8 (32) masks.
image::PackedDib Patterned(std::uint32_t width, std::uint32_t height, unsigned depth,
                           bool bitFields = false);

/// A GIF file put together byte by byte. Image data is coded as one root code per
/// pixel, with clear codes often enough that the code width never grows.
class GifBuilder {
public:
    /// "GIF89a", the screen descriptor with `sizeBits` as its flags' low three bits
    /// and, with `globalTable`, a table of 2 to the power of (sizeBits + 1) entries
    /// (entry i is red i, green 255 - i, blue i * 7).
    GifBuilder(std::uint16_t width, std::uint16_t height, unsigned sizeBits, bool globalTable);
    /// An image descriptor; a local table of 2 to the power of (localSizeBits + 1)
    /// entries (red and green swapped) when `localSizeBits` is not negative; the
    /// pixels' data with minimum code size `codeSize`.
    GifBuilder& Image(std::uint16_t left, std::uint16_t top, std::uint16_t width,
                      std::uint16_t height, const Bytes& pixels, int localSizeBits = -1,
                      unsigned codeSize = 8);
    /// Raw bytes (a descriptor without data, say).
    GifBuilder& Raw(const Bytes& bytes);
    Bytes Finish();

private:
    Bytes bytes_;
};

} // namespace ob::test
