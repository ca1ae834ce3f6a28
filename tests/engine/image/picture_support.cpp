#include "picture_support.h"

#include "engine/services/image/bgr_rows.h"

#include <cmath>
#include <fstream>
#include <iterator>
#include <utility>

namespace ob::test {

std::string DataPath(const std::string& name) {
    return std::string(OB_TEST_DATA_DIR) + "/" + name;
}

Bytes ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

Bytes Rgb(const image::PackedDib& dib) {
    const std::optional<image::BgrRows> rows = image::BgrRows::For(dib);
    if (!rows) {
        return {};
    }
    const std::size_t rowBytes = std::size_t{dib.Width()} * 3;
    Bytes rgb(rowBytes * dib.Height());
    for (std::uint32_t y = 0; y < dib.Height(); ++y) {
        std::uint8_t* row = rgb.data() + y * rowBytes;
        rows->Row(y, row);
        for (std::size_t x = 0; x < rowBytes; x += 3) {
            std::swap(row[x], row[x + 2]);
        }
    }
    return rgb;
}

Bytes RgbOfRgba(const Bytes& rgba) {
    Bytes rgb;
    for (std::size_t i = 0; i + 3 < rgba.size(); i += 4) {
        rgb.insert(rgb.end(), rgba.begin() + static_cast<std::ptrdiff_t>(i),
                   rgba.begin() + static_cast<std::ptrdiff_t>(i + 3));
    }
    return rgb;
}

double Psnr(const Bytes& a, const Bytes& b) {
    double squares = 0;
    for (std::size_t i = 0; i < a.size() && i < b.size(); ++i) {
        const double d = static_cast<double>(a[i]) - static_cast<double>(b[i]);
        squares += d * d;
    }
    const double mean = squares / static_cast<double>(a.size());
    return mean == 0 ? INFINITY : 10 * std::log10(255.0 * 255.0 / mean);
}

image::PackedDib Patterned(std::uint32_t width, std::uint32_t height, unsigned depth,
                           bool bitFields) {
    const std::uint32_t entries = depth <= 8 ? 1u << depth : 0;
    image::PackedDib dib = *image::PackedDib::Create(width, height, depth, entries);
    std::span<std::uint8_t> table = dib.ColourTable();
    for (std::uint32_t i = 0; i < entries; ++i) {
        table[i * 4] = static_cast<std::uint8_t>(i * 37 + 11);
        table[i * 4 + 1] = static_cast<std::uint8_t>(255 - i);
        table[i * 4 + 2] = static_cast<std::uint8_t>(i * 91 + 3);
    }
    if (bitFields) {
        dib.Header().compression = static_cast<std::uint32_t>(image::Compression::BitFields);
        const Bytes masks = depth == 16 ? Bytes{0x00, 0xF8, 0, 0, 0xE0, 0x07, 0, 0, 0x1F, 0, 0, 0}
                                        : Bytes{0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0};
        dib = image::PackedDib(dib.Header(), {}, masks,
                               Bytes(dib.Pixels().begin(), dib.Pixels().end()));
    }
    for (std::uint32_t y = 0; y < height; ++y) {
        std::span<std::uint8_t> row = dib.Row(y);
        for (std::size_t i = 0; i < row.size(); ++i) {
            row[i] = static_cast<std::uint8_t>((i * 29 + y * 53 + 7) ^ (i >> 3));
        }
    }
    return dib;
}

namespace {

void Put16(Bytes& out, std::uint16_t value) {
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void PutTable(Bytes& out, unsigned sizeBits, bool swapped) {
    for (unsigned i = 0; i < (2u << sizeBits); ++i) {
        const auto red = static_cast<std::uint8_t>(i);
        const auto green = static_cast<std::uint8_t>(255 - i);
        out.push_back(swapped ? green : red);
        out.push_back(swapped ? red : green);
        out.push_back(static_cast<std::uint8_t>(i * 7));
    }
}

} // namespace

GifBuilder::GifBuilder(std::uint16_t width, std::uint16_t height, unsigned sizeBits,
                       bool globalTable) {
    bytes_ = {'G', 'I', 'F', '8', '9', 'a'};
    Put16(bytes_, width);
    Put16(bytes_, height);
    bytes_.push_back(static_cast<std::uint8_t>((globalTable ? 0x80 : 0) | (sizeBits & 7)));
    bytes_.push_back(0);
    bytes_.push_back(0);
    if (globalTable) {
        PutTable(bytes_, sizeBits, false);
    }
}

GifBuilder& GifBuilder::Image(std::uint16_t left, std::uint16_t top, std::uint16_t width,
                              std::uint16_t height, const Bytes& pixels, int localSizeBits,
                              unsigned codeSize) {
    bytes_.push_back(0x2C);
    Put16(bytes_, left);
    Put16(bytes_, top);
    Put16(bytes_, width);
    Put16(bytes_, height);
    bytes_.push_back(localSizeBits < 0 ? 0 : static_cast<std::uint8_t>(0x80 | localSizeBits));
    if (localSizeBits >= 0) {
        PutTable(bytes_, static_cast<unsigned>(localSizeBits), true);
    }
    // Codes of codeSize + 1 bits: a clear code, then at most 2^codeSize - 2 pixels
    // before the next clear, so that the table never makes the codes wider.
    const unsigned clear = 1u << codeSize;
    const unsigned width1 = codeSize + 1;
    Bytes data;
    std::uint32_t bits = 0;
    unsigned count = 0;
    const auto code = [&](unsigned value) {
        bits |= value << count;
        count += width1;
        while (count >= 8) {
            data.push_back(static_cast<std::uint8_t>(bits));
            bits >>= 8;
            count -= 8;
        }
    };
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        if (i % (clear - 2) == 0) {
            code(clear);
        }
        code(pixels[i]);
    }
    code(clear + 1);
    if (count > 0) {
        data.push_back(static_cast<std::uint8_t>(bits));
    }
    bytes_.push_back(static_cast<std::uint8_t>(codeSize));
    for (std::size_t at = 0; at < data.size(); at += 255) {
        const std::size_t n = std::min<std::size_t>(255, data.size() - at);
        bytes_.push_back(static_cast<std::uint8_t>(n));
        bytes_.insert(bytes_.end(), data.begin() + static_cast<std::ptrdiff_t>(at),
                      data.begin() + static_cast<std::ptrdiff_t>(at + n));
    }
    bytes_.push_back(0);
    return *this;
}

GifBuilder& GifBuilder::Raw(const Bytes& bytes) {
    bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
    return *this;
}

Bytes GifBuilder::Finish() {
    Bytes file = std::move(bytes_);
    file.push_back(0x3B);
    return file;
}

} // namespace ob::test
