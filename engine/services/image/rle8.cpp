#include "engine/services/image/rle8.h"

#include "engine/services/image/byte_cursor.h"

#include <algorithm>

namespace ob::image {

std::vector<std::uint8_t> ExpandRle8(std::span<const std::uint8_t> data, std::uint32_t width,
                                     std::uint32_t height, std::size_t stride) {
    std::vector<std::uint8_t> rows(stride * height);
    ByteCursor in(data);
    std::uint64_t x = 0; // may run past the row: what lies there is dropped
    std::uint64_t y = 0; // from the bottom
    std::uint8_t first = 0;
    std::uint8_t second = 0;
    while (y < height && in.Byte(first) && in.Byte(second)) {
        std::uint8_t* row = &rows[y * stride];
        if (first != 0) { // a run of `first` pixels of index `second`
            if (x < width) {
                std::fill_n(row + x, std::min<std::uint64_t>(first, width - x), second);
            }
            x += first;
            continue;
        }
        if (second == 0) { // end of the row
            x = 0;
            ++y;
        } else if (second == 1) { // end of the picture
            break;
        } else if (second == 2) { // move right and up
            std::uint8_t dx = 0;
            std::uint8_t dy = 0;
            if (!in.Byte(dx) || !in.Byte(dy)) {
                break;
            }
            x += dx;
            y += dy;
        } else { // `second` literal pixels, padded to an even count
            const std::span<const std::uint8_t> literal = in.Take(second);
            if (x < width) {
                std::copy_n(literal.begin(), std::min<std::uint64_t>(literal.size(), width - x),
                            row + x);
            }
            x += second;
            if ((second & 1) != 0) {
                in.Take(1);
            }
        }
    }
    return rows;
}

} // namespace ob::image
