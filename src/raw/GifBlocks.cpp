#include "raw/GifBlocks.h"

#include "raw/ByteWalker.h"

#include <algorithm>
#include <cstring>

namespace qr::raw {

namespace {

constexpr std::uint64_t kMaxGifBytes = 256ull << 20;
constexpr unsigned kMaxBlocks = 1u << 20;
constexpr unsigned char kExtension = 0x21;
constexpr unsigned char kImage = 0x2C;
constexpr unsigned char kTrailer = 0x3B;

std::uint64_t colourTableBytes(unsigned char packed) {
    return (packed & 0x80) ? 3ull << ((packed & 7) + 1) : 0;
}

// Passes the sub-blocks from `at` up to the empty one; the offset behind it.
std::optional<std::uint64_t> skipSubBlocks(ByteWalker& walk, std::uint64_t at) {
    for (unsigned n = 0; n < kMaxBlocks * 4; ++n) {
        const auto length = walk.byte(at);
        if (!length)
            return std::nullopt;
        at += 1 + *length;
        if (*length == 0)
            return at;
    }
    return std::nullopt;
}

} // namespace

bool LooksLikeGif(const unsigned char* b, std::size_t size) {
    return size >= 13 && (std::memcmp(b, "GIF87a", 6) == 0 || std::memcmp(b, "GIF89a", 6) == 0) &&
           Le16(b + 6) != 0 && Le16(b + 8) != 0;
}

std::optional<MediaLength> GifLength(const FileBytesReader& read, std::uint64_t limit) {
    ByteWalker walk(read, std::min(limit, kMaxGifBytes));
    unsigned char head[13];
    if (!walk.get(0, sizeof head, head) || !LooksLikeGif(head, sizeof head))
        return std::nullopt;
    std::uint64_t at = sizeof head + colourTableBytes(head[10]);
    bool image = false;
    for (unsigned blocks = 0; blocks < kMaxBlocks; ++blocks) {
        const auto introducer = walk.byte(at);
        if (!introducer)
            return std::nullopt;
        if (*introducer == kTrailer) {
            if (!image)
                return std::nullopt;
            return MediaLength{at + 1, ".GIF"};
        }
        std::optional<std::uint64_t> behind;
        if (*introducer == kExtension) {
            behind = skipSubBlocks(walk, at + 2);
        } else if (*introducer == kImage) {
            unsigned char descriptor[10];
            if (!walk.get(at, sizeof descriptor, descriptor))
                return std::nullopt;
            const std::uint64_t data = at + sizeof descriptor + colourTableBytes(descriptor[9]);
            // The LZW code size byte, then the image data.
            const auto codeSize = walk.byte(data);
            if (!codeSize || *codeSize < 1 || *codeSize > 12)
                return std::nullopt;
            behind = skipSubBlocks(walk, data + 1);
            image = true;
        }
        if (!behind)
            return std::nullopt;
        at = *behind;
    }
    return std::nullopt;
}

} // namespace qr::raw
