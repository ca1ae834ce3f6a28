// The GIF reader of the IMAGE service: decodes a GIF87a or GIF89a file into one
// image of the file's logical screen size, drawing every image of the file onto it
// in file order. Extensions are skipped; transparency, animation, disposal and the
// aspect ratio play no part, and the background is never filled (the bitmap starts
// as index 0). Any thread; every call has state of its own.
//
// The bitmap: depth from the screen's flags, b = (flags AND 7) + 1: 1 bit when b is
// 1, 4 bits when b is 2 to 4, else 8; a colour table of 2 to the power of the depth
// entries (colours used), the global table read into it and each local table read
// over it (colours important: the entries of the table read last); 2953 pixels per
// metre. Pixel indices that do not fit the depth are masked to it.
#pragma once

#include "engine/services/image/packed_dib.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string_view>

namespace ob::image {

/// What went wrong while a file was read; the first problem is kept. With
/// NotGif, VersionRefused, NoScreen and ScreenTooLarge there is no image; with the
/// others the image holds what was drawn before.
enum class GifProblem {
    None,
    NotGif,             ///< the file does not begin with "GIF"
    VersionRefused,     ///< an unknown version, and the question was answered Cancel
    NoScreen,           ///< the file ends inside the logical screen descriptor
    ScreenTooLarge,     ///< the screen's bitmap would be larger than allowed
    Truncated,          ///< the file ended inside a table, a descriptor or image data
    UnexpectedByte,     ///< a block begins with a byte other than "!", "," or ";"
    LocalTableTooLarge, ///< a local colour table with more entries than the depth allows
    NoColourTable,      ///< an image without a local table in a file without a global one
    ImageTooLarge,      ///< an image's decoding buffer would be larger than allowed
    BadCodeSize,        ///< a minimum code size above 11, or none
    InvalidCode,        ///< an LZW code that names no string
    WrongPixelCount,    ///< the data gave more or fewer pixels than the image has
};

/// Asked when the version is neither "87a" nor "89a", with the question's text
/// ("Unbekannte GIF-Version: %c%c%c\n\rWeiter?") and caption ("CONV_GIFDLL"); true
/// (OK) reads the file as usual, false (Cancel) gives no image.
using GifVersionQuestion = std::function<bool(std::string_view text, std::string_view caption)>;

struct GifReadOptions {
    /// Empty: every version is read as usual.
    GifVersionQuestion askVersion;
    /// Upper bound for the bitmap's pixels and for each image's decoding buffer.
    std::size_t maxPixelBytes = kMaxPixelBytes;
};

struct GifReadResult {
    std::optional<PackedDib> image;
    GifProblem problem = GifProblem::None;
};

GifReadResult ReadGif(std::span<const std::uint8_t> file, const GifReadOptions& options = {});

} // namespace ob::image
