// Reading little-endian fields from a file held in memory, never past its end.
// Header only; one reader at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace ob::image {

class ByteCursor {
public:
    explicit ByteCursor(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    std::size_t Position() const { return position_; }
    std::size_t Remaining() const { return bytes_.size() - position_; }
    std::size_t Size() const { return bytes_.size(); }

    /// False at the end of the data.
    bool Byte(std::uint8_t& value) {
        if (position_ >= bytes_.size()) {
            return false;
        }
        value = bytes_[position_++];
        return true;
    }
    bool U16(std::uint16_t& value) {
        if (Remaining() < 2) {
            return false;
        }
        value = static_cast<std::uint16_t>(bytes_[position_] | bytes_[position_ + 1] << 8);
        position_ += 2;
        return true;
    }
    bool U32(std::uint32_t& value) {
        if (Remaining() < 4) {
            return false;
        }
        value = static_cast<std::uint32_t>(bytes_[position_]) |
                static_cast<std::uint32_t>(bytes_[position_ + 1]) << 8 |
                static_cast<std::uint32_t>(bytes_[position_ + 2]) << 16 |
                static_cast<std::uint32_t>(bytes_[position_ + 3]) << 24;
        position_ += 4;
        return true;
    }
    bool I32(std::int32_t& value) {
        std::uint32_t raw = 0;
        if (!U32(raw)) {
            return false;
        }
        value = static_cast<std::int32_t>(raw);
        return true;
    }
    /// Up to `count` bytes; fewer at the end of the data.
    std::span<const std::uint8_t> Take(std::size_t count) {
        const std::size_t taken = count < Remaining() ? count : Remaining();
        const std::span<const std::uint8_t> part = bytes_.subspan(position_, taken);
        position_ += taken;
        return part;
    }
    /// False (and no move) when `position` lies beyond the end.
    bool Seek(std::size_t position) {
        if (position > bytes_.size()) {
            return false;
        }
        position_ = position;
        return true;
    }

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t position_ = 0;
};

} // namespace ob::image
