#include "raw/RafHeader.h"

#include <algorithm>
#include <cstring>

namespace qr::raw {

namespace {

constexpr std::uint32_t kDirectory = 84; // the three offset and length pairs
constexpr std::uint32_t kHead = kDirectory + 24;

} // namespace

bool LooksLikeRaf(const unsigned char* b, std::size_t size) {
    return size >= kHead && std::memcmp(b, "FUJIFILMCCD-RAW ", 16) == 0;
}

std::optional<MediaLength> RafLength(const FileBytesReader& read, std::uint64_t limit) {
    unsigned char head[kHead];
    if (limit < kHead || !read(0, kHead, head) || !LooksLikeRaf(head, kHead))
        return std::nullopt;
    std::uint64_t end = kHead;
    for (std::uint32_t at = kDirectory; at < kHead; at += 8) {
        const std::uint64_t offset = Be32(head + at);
        const std::uint64_t length = Be32(head + at + 4);
        if (offset > limit || length > limit - offset)
            return std::nullopt;
        end = std::max(end, offset + length);
    }
    // The embedded JPEG and the CFA data both hold bytes.
    if (Be32(head + kDirectory + 4) == 0 || Be32(head + kDirectory + 20) == 0)
        return std::nullopt;
    return MediaLength{end, ".RAF"};
}

} // namespace qr::raw
