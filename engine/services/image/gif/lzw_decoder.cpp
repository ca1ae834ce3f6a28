#include "engine/services/image/gif/lzw_decoder.h"

#include <array>
#include <cstring>

namespace ob::image {
namespace {

constexpr unsigned kMaxCodes = 4096;  // 12-bit codes
constexpr unsigned kMaxCodeSize = 11; // the largest minimum code size whose clear code fits
constexpr std::uint32_t kNone = kMaxCodes;

// The string table. The string of every code above the end code is a run of the
// output already written: the previous code's string followed by one more byte.
// Keeping where that run starts and its length copies a string in one move instead
// of walking a prefix chain byte by byte.
class Decoder {
public:
    Decoder(unsigned minimumSize, std::span<std::uint8_t> out)
        : minimumSize_(minimumSize), clear_(1u << minimumSize), end_(clear_ + 1), out_(out.data()),
          size_(out.size()) {
        Reset();
    }

    /// Takes the codes of one data sub-block; false when decoding must stop.
    bool Feed(std::span<const std::uint8_t> block) {
        for (const std::uint8_t byte : block) {
            bits_ |= static_cast<std::uint32_t>(byte) << bitCount_;
            bitCount_ += 8;
            while (bitCount_ >= width_) {
                const std::uint32_t code = bits_ & mask_;
                bits_ >>= width_;
                bitCount_ -= width_;
                if (!Code(code)) {
                    return false;
                }
            }
        }
        return true;
    }

    /// Takes one code; false when decoding must stop (`status` says why).
    bool Code(std::uint32_t code) {
        if (code == clear_) {
            Reset();
            return true;
        }
        if (code == end_) {
            ended_ = true;
            return false;
        }
        if (code > next_ || (previous_ == kNone && code >= clear_)) {
            status_ = LzwStatus::InvalidCode;
            return false;
        }
        const std::size_t at = written_;
        std::size_t length = 0;
        if (code < clear_) {
            length = 1;
            if (!Room(length)) {
                return false;
            }
            out_[at] = static_cast<std::uint8_t>(code);
        } else if (code < next_) {
            length = length_[code];
            if (!Room(length)) {
                return false;
            }
            std::memcpy(&out_[at], &out_[start_[code]], length);
        } else { // the code being defined: the previous string and its own first byte
            length = previousLength_ + 1;
            if (!Room(length)) {
                return false;
            }
            std::memcpy(&out_[at], &out_[previousAt_], previousLength_);
            out_[at + previousLength_] = out_[previousAt_];
        }
        if (previous_ != kNone && next_ < kMaxCodes) {
            start_[next_] = static_cast<std::uint32_t>(previousAt_);
            length_[next_] = static_cast<std::uint16_t>(previousLength_ + 1);
            ++next_;
            if (next_ == mask_ + 1 && next_ < kMaxCodes) {
                ++width_;
                mask_ = mask_ * 2 + 1;
            }
        }
        previous_ = code;
        previousAt_ = at;
        previousLength_ = length;
        written_ += length;
        return true;
    }

    bool Ended() const { return ended_; }
    LzwStatus Status() const { return status_; }
    std::size_t Written() const { return written_; }

private:
    void Reset() {
        width_ = minimumSize_ + 1;
        mask_ = (1u << width_) - 1;
        next_ = clear_ + 2;
        previous_ = kNone;
    }

    /// Whether `length` more bytes fit the image; more pixels than the image has
    /// can never end well, so decoding stops there.
    bool Room(std::size_t length) {
        if (length > size_ - written_) {
            status_ = LzwStatus::WrongCount;
            return false;
        }
        return true;
    }

    const unsigned minimumSize_;
    const std::uint32_t clear_;
    const std::uint32_t end_;
    std::uint8_t* const out_; // the image's pixels, size_ bytes
    const std::size_t size_;
    std::uint32_t bits_ = 0; // bits read but not yet taken, least significant first
    unsigned bitCount_ = 0;
    unsigned width_ = 0;
    std::uint32_t mask_ = 0;
    std::uint32_t next_ = 0;
    std::uint32_t previous_ = kNone;
    std::size_t previousAt_ = 0;
    std::size_t previousLength_ = 0;
    std::size_t written_ = 0;
    bool ended_ = false;
    LzwStatus status_ = LzwStatus::Complete;
    std::array<std::uint32_t, kMaxCodes> start_{};
    std::array<std::uint16_t, kMaxCodes> length_{};
};

/// Skips sub-blocks up to and including the empty one that ends the data.
void SkipSubBlocks(ByteCursor& in, LzwResult& result) {
    std::uint8_t count = 0;
    while (in.Byte(count) && count != 0) {
        if (in.Take(count).size() < count) {
            result.shortRead = true;
        }
    }
}

} // namespace

LzwResult DecodeLzw(ByteCursor& in, std::span<std::uint8_t> pixels) {
    LzwResult result;
    std::uint8_t minimumSize = 0;
    if (!in.Byte(minimumSize) || minimumSize > kMaxCodeSize) {
        result.status = LzwStatus::BadCodeSize;
        return result;
    }
    Decoder decoder(minimumSize, pixels);
    std::uint8_t count = 0;
    while (in.Byte(count) && count != 0) {
        const std::span<const std::uint8_t> block = in.Take(count);
        if (block.size() < count) {
            result.shortRead = true;
        }
        if (!decoder.Feed(block)) {
            break;
        }
    }
    if (decoder.Status() != LzwStatus::Complete) {
        result.status = decoder.Status();
        return result;
    }
    if (decoder.Ended()) {
        SkipSubBlocks(in, result);
    }
    if (decoder.Written() != pixels.size()) {
        result.status = LzwStatus::WrongCount;
    }
    return result;
}

} // namespace ob::image
