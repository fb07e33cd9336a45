#include "raw/RiffChunks.h"

#include <cstring>

namespace qr::raw {

namespace {

constexpr unsigned kMaxForms = 4096;

std::uint32_t le32(const unsigned char* p) {
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
           std::uint32_t{p[3]} << 24;
}

// One RIFF form's bytes: the header and its length, padded to an even count.
std::uint64_t formBytes(const unsigned char* p) {
    const std::uint64_t length = le32(p + 4);
    return 8 + length + (length & 1);
}

} // namespace

bool LooksLikeAvi(const unsigned char* b, std::size_t size) {
    return size >= 24 && std::memcmp(b, "RIFF", 4) == 0 && std::memcmp(b + 8, "AVI ", 4) == 0 &&
           std::memcmp(b + 12, "LIST", 4) == 0 && std::memcmp(b + 20, "hdrl", 4) == 0 &&
           le32(b + 4) >= 16;
}

std::optional<MediaLength> AviLength(const FileBytesReader& read, std::uint64_t limit) {
    unsigned char head[24];
    if (limit < sizeof head || !read(0, sizeof head, head) || !LooksLikeAvi(head, sizeof head))
        return std::nullopt;
    std::uint64_t at = formBytes(head);
    if (at > limit)
        return std::nullopt;
    for (unsigned forms = 0; forms < kMaxForms && at + 12 <= limit; ++forms) {
        unsigned char next[12];
        if (!read(at, 12, next) || std::memcmp(next, "RIFF", 4) != 0 ||
            std::memcmp(next + 8, "AVIX", 4) != 0)
            break;
        const std::uint64_t bytes = formBytes(next);
        if (bytes > limit - at)
            return std::nullopt;
        at += bytes;
    }
    return MediaLength{at, ".AVI"};
}

} // namespace qr::raw
