#pragma once
// A bounds-checked little-endian view over bytes read from a medium. Every decoder of
// an on-disk structure reads through it: an offset or length that comes from the
// medium is tested with has() (overflow-safe) before it is trusted. The checked
// readers return 0 for bytes outside the view; the unchecked ones are named as such
// and are used only after a range test.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string_view>

namespace qr::disk {

class ByteView {
public:
    constexpr ByteView() = default;
    constexpr ByteView(const unsigned char* data, std::size_t size)
        : data_(data), size_(data ? size : 0) {}
    constexpr ByteView(std::span<const unsigned char> bytes)
        : data_(bytes.data()), size_(bytes.size()) {}

    constexpr const unsigned char* data() const { return data_; }
    constexpr std::size_t size() const { return size_; }
    constexpr bool empty() const { return size_ == 0; }
    std::span<const unsigned char> span() const { return {data_, size_}; }

    // True when [offset, offset + length) lies inside the view; never overflows.
    constexpr bool has(std::uint64_t offset, std::uint64_t length) const {
        return offset <= size_ && length <= size_ - offset;
    }

    std::uint8_t u8(std::uint64_t offset) const { return has(offset, 1) ? data_[offset] : 0; }
    std::uint16_t u16(std::uint64_t offset) const {
        return has(offset, 2) ? u16Unchecked(static_cast<std::size_t>(offset)) : 0;
    }
    std::uint32_t u32(std::uint64_t offset) const {
        return has(offset, 4) ? u32Unchecked(static_cast<std::size_t>(offset)) : 0;
    }
    std::uint64_t u64(std::uint64_t offset) const {
        return has(offset, 8) ? u64Unchecked(static_cast<std::size_t>(offset)) : 0;
    }
    // A little-endian unsigned value of 1 to 8 bytes (run lists); 0 outside the view.
    std::uint64_t uN(std::uint64_t offset, unsigned width) const {
        if (width == 0 || width > 8 || !has(offset, width))
            return 0;
        std::uint64_t value = 0;
        for (unsigned i = width; i-- > 0;)
            value = (value << 8) | data_[offset + i];
        return value;
    }
    // The same bytes read as a two's-complement signed value (run-list offsets).
    std::int64_t sN(std::uint64_t offset, unsigned width) const {
        const std::uint64_t value = uN(offset, width);
        if (width == 0 || width >= 8 || !has(offset, width))
            return static_cast<std::int64_t>(value);
        const std::uint64_t sign = std::uint64_t{1} << (width * 8 - 1);
        return static_cast<std::int64_t>((value ^ sign) - sign);
    }

    // The bytes [offset, offset + length), clipped to the view (empty when offset is
    // outside it).
    ByteView sub(std::uint64_t offset, std::uint64_t length) const {
        if (offset >= size_)
            return {};
        const std::size_t left = size_ - static_cast<std::size_t>(offset);
        return {data_ + offset, length < left ? static_cast<std::size_t>(length) : left};
    }
    ByteView from(std::uint64_t offset) const { return sub(offset, size_); }

    // True when the bytes at `offset` are exactly `text`.
    bool matches(std::uint64_t offset, std::string_view text) const {
        return has(offset, text.size()) &&
               std::memcmp(data_ + offset, text.data(), text.size()) == 0;
    }
    bool matches(std::uint64_t offset, std::span<const unsigned char> bytes) const {
        return has(offset, bytes.size()) &&
               std::memcmp(data_ + offset, bytes.data(), bytes.size()) == 0;
    }

    // Unchecked readers: only after has(offset, width).
    std::uint16_t u16Unchecked(std::size_t offset) const {
        return static_cast<std::uint16_t>(data_[offset] | (data_[offset + 1] << 8));
    }
    std::uint32_t u32Unchecked(std::size_t offset) const {
        return static_cast<std::uint32_t>(u16Unchecked(offset)) |
               (static_cast<std::uint32_t>(u16Unchecked(offset + 2)) << 16);
    }
    std::uint64_t u64Unchecked(std::size_t offset) const {
        return static_cast<std::uint64_t>(u32Unchecked(offset)) |
               (static_cast<std::uint64_t>(u32Unchecked(offset + 4)) << 32);
    }

private:
    const unsigned char* data_ = nullptr;
    std::size_t size_ = 0;
};

} // namespace qr::disk
