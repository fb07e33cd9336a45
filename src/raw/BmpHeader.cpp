#include "raw/BmpHeader.h"

#include <cstdlib>

namespace qr::raw {

namespace {

constexpr std::uint32_t kFileHeader = 14;
constexpr std::uint32_t kCompressionNone = 0;
constexpr std::uint32_t kCompressionBitFields = 3;

bool knownInfoSize(std::uint32_t size) {
    return size == 12 || size == 40 || size == 52 || size == 56 || size == 108 || size == 124;
}

bool knownDepth(std::uint16_t bits) {
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

} // namespace

bool LooksLikeBmp(const unsigned char* b, std::size_t size) {
    if (size < kFileHeader + 40 || b[0] != 'B' || b[1] != 'M' || Le32(b + 6) != 0)
        return false;
    const std::uint32_t fileSize = Le32(b + 2);
    const std::uint32_t pixels = Le32(b + 10);
    const std::uint32_t info = Le32(b + 14);
    if (!knownInfoSize(info) || pixels < kFileHeader + info || pixels >= fileSize)
        return false;
    const unsigned char* h = b + kFileHeader;
    // The old 12-byte header has 16-bit fields.
    const std::uint16_t planes = info == 12 ? Le16(h + 8) : Le16(h + 12);
    const std::uint16_t bits = info == 12 ? Le16(h + 10) : Le16(h + 14);
    return planes == 1 && knownDepth(bits);
}

std::optional<MediaLength> BmpLength(const FileBytesReader& read, std::uint64_t limit) {
    unsigned char b[kFileHeader + 40];
    if (limit < sizeof b || !read(0, sizeof b, b) || !LooksLikeBmp(b, sizeof b))
        return std::nullopt;
    const std::uint64_t fileSize = Le32(b + 2);
    if (fileSize > limit)
        return std::nullopt;
    const std::uint32_t info = Le32(b + 14);
    if (info != 12) {
        const unsigned char* h = b + kFileHeader;
        const std::uint64_t width = static_cast<std::uint64_t>(
            std::abs(std::int64_t{static_cast<std::int32_t>(Le32(h + 4))}));
        const std::uint64_t height = static_cast<std::uint64_t>(
            std::abs(std::int64_t{static_cast<std::int32_t>(Le32(h + 8))}));
        const std::uint32_t compression = Le32(h + 16);
        // Uncompressed rows, padded to four bytes, must fit the file.
        if (compression == kCompressionNone || compression == kCompressionBitFields) {
            const std::uint64_t row = (width * Le16(h + 14) + 31) / 32 * 4;
            if (width == 0 || height == 0 || row * height > fileSize - Le32(b + 10))
                return std::nullopt;
        }
    }
    return MediaLength{fileSize, ".BMP"};
}

} // namespace qr::raw
