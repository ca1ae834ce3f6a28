#include "engine/services/image/gif/gif_reader.h"

#include "engine/services/image/byte_cursor.h"
#include "engine/services/image/gif/lzw_decoder.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace ob::image {
namespace {

constexpr std::uint8_t kExtension = 0x21; // "!"
constexpr std::uint8_t kImage = 0x2C;     // ","
constexpr std::uint8_t kTrailer = 0x3B;   // ";"
constexpr std::uint8_t kTablePresent = 0x80;
constexpr std::uint8_t kInterlaced = 0x40;

struct Screen {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    unsigned depth = 1;
    bool globalTable = false;
};

struct ImageDescriptor {
    std::uint16_t left = 0;
    std::uint16_t top = 0;
    std::uint16_t width = 0;
    std::uint16_t height = 0;
    std::uint8_t flags = 0;
};

unsigned DepthOf(std::uint8_t flags) {
    const unsigned b = (flags & 7u) + 1;
    return b == 1 ? 1 : b <= 4 ? 4 : 8;
}

/// Entries of a colour table whose size field is the low three bits of `flags`.
unsigned TableEntries(std::uint8_t flags) {
    return 1u << ((flags & 7u) + 1);
}

/// Reads `entries` red, green, blue triplets over the bitmap's table (blue, green,
/// red, 0). False when the file ends first (the entries read so far stay).
bool ReadColourTable(ByteCursor& in, unsigned entries, PackedDib& dib) {
    const std::span<const std::uint8_t> rgb = in.Take(std::size_t{entries} * 3);
    std::span<std::uint8_t> table = dib.ColourTable();
    for (std::size_t i = 0; i + 2 < rgb.size(); i += 3) {
        std::uint8_t* entry = &table[i / 3 * 4];
        entry[0] = rgb[i + 2];
        entry[1] = rgb[i + 1];
        entry[2] = rgb[i];
        entry[3] = 0;
    }
    dib.Header().clrImportant = entries;
    return rgb.size() == std::size_t{entries} * 3;
}

/// The true row of decoded row `row` of an interlaced image of `height` rows: the
/// rows come as every 8th from 0, every 8th from 4, every 4th from 2, every 2nd from 1.
std::uint32_t InterlacedRow(std::uint32_t row, std::uint32_t height) {
    const std::uint32_t pass1 = (height + 7) / 8;
    if (row < pass1) {
        return row * 8;
    }
    row -= pass1;
    const std::uint32_t pass2 = (height + 3) / 8;
    if (row < pass2) {
        return row * 8 + 4;
    }
    row -= pass2;
    const std::uint32_t pass3 = (height + 1) / 4;
    if (row < pass3) {
        return row * 4 + 2;
    }
    return (row - pass3) * 2 + 1;
}

/// Writes `count` pixels (indices, one a byte, masked to the depth) into a bitmap row
/// from column `x` on.
void PackPixels(std::span<std::uint8_t> row, unsigned depth, std::uint32_t x,
                const std::uint8_t* pixels, std::uint32_t count) {
    if (depth == 8) {
        std::memcpy(&row[x], pixels, count);
        return;
    }
    if (depth == 4) {
        for (std::uint32_t i = 0; i < count; ++i, ++x) {
            std::uint8_t& byte = row[x / 2];
            const std::uint8_t value = pixels[i] & 0x0F;
            byte = (x & 1) != 0 ? static_cast<std::uint8_t>((byte & 0xF0) | value)
                                : static_cast<std::uint8_t>((byte & 0x0F) | value << 4);
        }
        return;
    }
    for (std::uint32_t i = 0; i < count; ++i, ++x) {
        std::uint8_t& byte = row[x / 8];
        const auto bit = static_cast<std::uint8_t>(0x80u >> (x % 8));
        byte = (pixels[i] & 1) != 0 ? static_cast<std::uint8_t>(byte | bit)
                                    : static_cast<std::uint8_t>(byte & ~bit);
    }
}

/// Copies a decoded image onto the bitmap at its place, clipped to the screen.
void DrawImage(PackedDib& dib, const ImageDescriptor& image,
               const std::vector<std::uint8_t>& pixels) {
    const std::uint32_t screenWidth = dib.Width();
    const std::uint32_t screenHeight = dib.Height();
    if (image.top >= screenHeight || image.left >= screenWidth || image.width == 0 ||
        image.height == 0) {
        return; // entirely outside the screen, or no pixels at all
    }
    const std::uint32_t visibleWidth =
        std::min<std::uint32_t>(image.width, screenWidth - image.left);
    const std::uint32_t visibleHeight =
        std::min<std::uint32_t>(image.height, screenHeight - image.top);
    const bool interlaced = (image.flags & kInterlaced) != 0;
    for (std::uint32_t row = 0; row < image.height; ++row) {
        const std::uint32_t y = interlaced ? InterlacedRow(row, image.height) : row;
        if (y >= visibleHeight) {
            continue;
        }
        PackPixels(dib.Row(screenHeight - 1 - (image.top + y)), dib.Depth(), image.left,
                   &pixels[std::size_t{row} * image.width], visibleWidth);
    }
}

GifProblem ProblemOf(LzwStatus status) {
    switch (status) {
    case LzwStatus::Complete:
        return GifProblem::None;
    case LzwStatus::BadCodeSize:
        return GifProblem::BadCodeSize;
    case LzwStatus::InvalidCode:
        return GifProblem::InvalidCode;
    case LzwStatus::WrongCount:
        break;
    }
    return GifProblem::WrongPixelCount;
}

class Reader {
public:
    Reader(std::span<const std::uint8_t> file, const GifReadOptions& options)
        : in_(file), options_(options) {}

    GifReadResult Read() {
        if (!ReadScreen()) {
            return std::move(result_);
        }
        for (;;) {
            std::uint8_t block = 0;
            if (!in_.Byte(block)) {
                Note(GifProblem::Truncated);
                break;
            }
            if (block == 0) {
                continue;
            }
            if (block == kTrailer) {
                break;
            }
            if (block == kExtension) {
                SkipExtension();
            } else if (block == kImage) {
                if (!ReadImage()) {
                    break;
                }
            } else {
                Note(GifProblem::UnexpectedByte);
                break;
            }
        }
        return std::move(result_);
    }

private:
    void Note(GifProblem problem) {
        if (result_.problem == GifProblem::None) {
            result_.problem = problem;
        }
    }

    bool ReadScreen() {
        const std::span<const std::uint8_t> signature = in_.Take(6);
        if (signature.size() < 6 || std::memcmp(signature.data(), "GIF", 3) != 0) {
            Note(GifProblem::NotGif);
            return false;
        }
        const char* version = reinterpret_cast<const char*>(signature.data() + 3);
        if (std::memcmp(version, "87a", 3) != 0 && std::memcmp(version, "89a", 3) != 0 &&
            options_.askVersion) {
            char text[64];
            std::snprintf(text, sizeof text, "Unbekannte GIF-Version: %c%c%c\n\rWeiter?",
                          version[0], version[1], version[2]);
            if (!options_.askVersion(text, "CONV_GIFDLL")) {
                Note(GifProblem::VersionRefused);
                return false;
            }
        }
        std::uint16_t width = 0;
        std::uint16_t height = 0;
        std::uint8_t flags = 0;
        std::uint8_t background = 0;
        std::uint8_t aspect = 0;
        if (!in_.U16(width) || !in_.U16(height) || !in_.Byte(flags) || !in_.Byte(background) ||
            !in_.Byte(aspect)) {
            Note(GifProblem::NoScreen);
            return false;
        }
        screen_.width = width;
        screen_.height = height;
        screen_.depth = DepthOf(flags);
        screen_.globalTable = (flags & kTablePresent) != 0;
        result_.image = PackedDib::Create(width, height, screen_.depth, 1u << screen_.depth,
                                          options_.maxPixelBytes);
        if (!result_.image) {
            Note(GifProblem::ScreenTooLarge);
            return false;
        }
        if (screen_.globalTable && !ReadColourTable(in_, TableEntries(flags), *result_.image)) {
            Note(GifProblem::Truncated);
        }
        return true;
    }

    void SkipExtension() {
        std::uint8_t label = 0;
        std::uint8_t count = 0;
        if (!in_.Byte(label)) {
            return;
        }
        while (in_.Byte(count) && count != 0) {
            in_.Take(count);
        }
    }

    /// Decodes one image and draws it; false when the image failed.
    bool ReadImage() {
        ImageDescriptor image;
        if (!in_.U16(image.left) || !in_.U16(image.top) || !in_.U16(image.width) ||
            !in_.U16(image.height) || !in_.Byte(image.flags)) {
            Note(GifProblem::Truncated);
            return false;
        }
        PackedDib& dib = *result_.image;
        if ((image.flags & kTablePresent) != 0) {
            const unsigned entries = TableEntries(image.flags);
            if (entries > (1u << screen_.depth)) {
                Note(GifProblem::LocalTableTooLarge);
                return false;
            }
            if (!ReadColourTable(in_, entries, dib)) {
                Note(GifProblem::Truncated);
                return false;
            }
        } else if (!screen_.globalTable) {
            Note(GifProblem::NoColourTable);
            return false;
        }
        const std::size_t count = std::size_t{image.width} * image.height;
        if (count > options_.maxPixelBytes) {
            Note(GifProblem::ImageTooLarge);
            return false;
        }
        pixels_.resize(count);
        const LzwResult decoded = DecodeLzw(in_, pixels_);
        if (decoded.shortRead) {
            Note(GifProblem::Truncated);
        }
        if (decoded.status != LzwStatus::Complete) {
            Note(ProblemOf(decoded.status));
            return false;
        }
        DrawImage(dib, image, pixels_);
        return true;
    }

    ByteCursor in_;
    const GifReadOptions& options_;
    Screen screen_;
    GifReadResult result_;
    std::vector<std::uint8_t> pixels_; // one buffer for every image of the file
};

} // namespace

GifReadResult ReadGif(std::span<const std::uint8_t> file, const GifReadOptions& options) {
    return Reader(file, options).Read();
}

} // namespace ob::image
