#include "raw/PngChunks.h"

#include <algorithm>
#include <array>

namespace qr::raw {

namespace {

constexpr unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
constexpr unsigned kMaxChunks = 1u << 20;

bool isLetter(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

const std::array<std::uint32_t, 256>& crcTable() {
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    return table;
}

} // namespace

std::uint32_t PngCrc(const unsigned char* bytes, std::size_t size) {
    std::uint32_t c = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < size; ++i)
        c = crcTable()[(c ^ bytes[i]) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

bool LooksLikePng(const unsigned char* b, std::size_t size) {
    return size >= 16 && std::equal(std::begin(kSignature), std::end(kSignature), b) &&
           Be32(b + 8) == 13 && b[12] == 'I' && b[13] == 'H' && b[14] == 'D' && b[15] == 'R';
}

std::optional<MediaLength> PngLength(const FileBytesReader& read, std::uint64_t limit) {
    // Signature, then IHDR: length, type, 13 bytes of data, CRC.
    unsigned char head[33];
    if (limit < sizeof head || !read(0, sizeof head, head) || !LooksLikePng(head, sizeof head))
        return std::nullopt;
    if (PngCrc(head + 12, 17) != Be32(head + 29))
        return std::nullopt;
    std::uint64_t at = sizeof head;
    for (unsigned chunks = 0; chunks < kMaxChunks; ++chunks) {
        unsigned char chunk[8];
        if (at + 12 > limit || !read(at, 8, chunk))
            return std::nullopt;
        const std::uint32_t length = Be32(chunk);
        if (length > 0x7FFFFFFFu)
            return std::nullopt;
        for (int k = 4; k < 8; ++k)
            if (!isLetter(chunk[k]))
                return std::nullopt;
        const std::uint64_t behind = at + 12 + length;
        if (behind > limit)
            return std::nullopt;
        if (chunk[4] == 'I' && chunk[5] == 'E' && chunk[6] == 'N' && chunk[7] == 'D') {
            unsigned char crc[4];
            if (length != 0 || !read(at + 8, 4, crc) || Be32(crc) != PngCrc(chunk + 4, 4))
                return std::nullopt;
            return MediaLength{behind, ".PNG"};
        }
        at = behind;
    }
    return std::nullopt;
}

} // namespace qr::raw
