// Decoding the image data of a GIF file: the minimum code size, then data
// sub-blocks carrying variable-length LZW codes (least significant bit first), as
// the GIF standard defines them. Any thread; each call has its own tables.
#pragma once

#include "engine/services/image/byte_cursor.h"

#include <cstdint>
#include <span>

namespace ob::image {

enum class LzwStatus {
    Complete,    ///< exactly as many pixels as the image has
    WrongCount,  ///< the data ended with fewer pixels, or held more
    InvalidCode, ///< a code above the next free code, or a string with nothing before it
    BadCodeSize, ///< a minimum code size whose codes would not fit 12 bits, or none at all
};

struct LzwResult {
    LzwStatus status = LzwStatus::Complete;
    bool shortRead =
        false; ///< the file ended inside the data (decoding went on with what there was)
};

/// Decodes the data at `in` into `pixels`, one byte per pixel; `pixels.size()` is the
/// image's width × height. Every code's string is written once, and nothing is
/// written past `pixels`. On return `in` stands after the data's terminating empty
/// sub-block (or at the end of the file), except after an invalid code.
LzwResult DecodeLzw(ByteCursor& in, std::span<std::uint8_t> pixels);

} // namespace ob::image
