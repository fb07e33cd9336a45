#include "raw/IsoBoxes.h"

#include <algorithm>
#include <cstring>

namespace qr::raw {

namespace {

constexpr unsigned kMaxBoxes = 1u << 16;

bool isBrandByte(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == ' ';
}

bool isBrand(const unsigned char* p) {
    return std::all_of(p, p + 4, isBrandByte);
}

// The box types that stand at the top level of a video file (ftyp only first).
bool isTopLevel(const unsigned char* type) {
    static constexpr const char* known[] = {"moov", "mdat", "free", "skip", "wide", "uuid",
                                            "pdin", "moof", "mfra", "meta", "styp", "sidx",
                                            "udta", "ssix", "prft", "emsg", "pnot", "junk"};
    return std::any_of(std::begin(known), std::end(known),
                       [&](const char* k) { return std::memcmp(type, k, 4) == 0; });
}

} // namespace

bool LooksLikeIsoVideo(const unsigned char* b, std::size_t size) {
    if (size < 16 || std::memcmp(b + 4, "ftyp", 4) != 0)
        return false;
    const std::uint32_t boxSize = Be32(b);
    // Brand, minor version, then compatible brands of four letters each.
    return boxSize >= 16 && boxSize <= 4096 && (boxSize - 16) % 4 == 0 && isBrand(b + 8);
}

std::optional<MediaLength> IsoVideoLength(const FileBytesReader& read, std::uint64_t limit) {
    unsigned char head[16];
    if (limit < sizeof head || !read(0, sizeof head, head) || !LooksLikeIsoVideo(head, sizeof head))
        return std::nullopt;
    const std::uint32_t ftypSize = Be32(head);
    if (ftypSize > limit)
        return std::nullopt;
    std::string_view extension = ".MP4";
    if (std::memcmp(head + 8, "qt  ", 4) == 0)
        extension = ".MOV";
    else if (std::memcmp(head + 8, "3g", 2) == 0)
        extension = ".3GP";
    // The compatible brands must be letters too.
    for (std::uint32_t at = 16; at < ftypSize; at += 4) {
        unsigned char brand[4];
        if (!read(at, 4, brand) || !isBrand(brand))
            return std::nullopt;
    }
    std::uint64_t at = ftypSize;
    bool movie = false;
    for (unsigned boxes = 0; boxes < kMaxBoxes; ++boxes) {
        unsigned char box[16];
        if (at + 8 > limit || !read(at, 8, box) || !isTopLevel(box + 4))
            break; // the video ended behind the last box
        std::uint64_t size = Be32(box);
        if (size == 1) {
            if (at + 16 > limit || !read(at + 8, 8, box + 8))
                return std::nullopt;
            size = Be64(box + 8);
            if (size < 16)
                return std::nullopt;
        } else if (size < 8) {
            return std::nullopt; // 0: up to an end we cannot see
        }
        if (size > limit - at)
            return std::nullopt;
        if (std::memcmp(box + 4, "moov", 4) == 0)
            movie = true;
        at += size;
    }
    if (!movie)
        return std::nullopt;
    return MediaLength{at, extension};
}

} // namespace qr::raw
