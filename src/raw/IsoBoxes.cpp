#include "raw/IsoBoxes.h"

#include "raw/Mp4SampleCheck.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <vector>

namespace qr::raw {

namespace {

constexpr unsigned kMaxBoxes = 1u << 16;

bool isBrandByte(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == ' ';
}

bool isBrand(const unsigned char* p) {
    return std::all_of(p, p + 4, isBrandByte);
}

} // namespace

bool IsTopLevelBox(const unsigned char* type) {
    static constexpr const char* known[] = {"moov", "mdat", "free", "skip", "wide", "uuid",
                                            "pdin", "moof", "mfra", "meta", "styp", "sidx",
                                            "udta", "ssix", "prft", "emsg", "pnot", "junk"};
    return std::any_of(std::begin(known), std::end(known),
                       [&](const char* k) { return std::memcmp(type, k, 4) == 0; });
}

std::string_view IsoVideoExtension(const unsigned char* brand) {
    if (std::memcmp(brand, "qt  ", 4) == 0)
        return ".MOV";
    if (std::memcmp(brand, "3g", 2) == 0)
        return ".3GP";
    return ".MP4";
}

bool LooksLikeIsoVideo(const unsigned char* b, std::size_t size) {
    if (size < 16 || std::memcmp(b + 4, "ftyp", 4) != 0)
        return false;
    const std::uint32_t boxSize = Be32(b);
    // Brand, minor version, then compatible brands of four letters each.
    return boxSize >= 16 && boxSize <= 4096 && (boxSize - 16) % 4 == 0 && isBrand(b + 8);
}

namespace {

// The top-level boxes behind a valid `ftyp`: where the last known one ends and
// whether a `moov` and a `meta` stood among them.
struct TopLevel {
    std::uint64_t end = 0;
    bool movie = false;
    bool meta = false;
    std::uint64_t movieAt = 0; // the `moov` payload
    std::uint64_t movieBytes = 0;
    unsigned char brand[4] = {};
};

std::optional<TopLevel> walkTopLevel(const FileBytesReader& read, std::uint64_t limit) {
    unsigned char head[16];
    if (limit < sizeof head || !read(0, sizeof head, head) || !LooksLikeIsoVideo(head, sizeof head))
        return std::nullopt;
    const std::uint32_t ftypSize = Be32(head);
    if (ftypSize > limit)
        return std::nullopt;
    TopLevel top;
    std::memcpy(top.brand, head + 8, 4);
    // The compatible brands must be letters too.
    for (std::uint32_t at = 16; at < ftypSize; at += 4) {
        unsigned char brand[4];
        if (!read(at, 4, brand) || !isBrand(brand))
            return std::nullopt;
    }
    std::uint64_t at = ftypSize;
    for (unsigned boxes = 0; boxes < kMaxBoxes; ++boxes) {
        unsigned char box[16];
        if (at + 8 > limit || !read(at, 8, box) || !IsTopLevelBox(box + 4))
            break; // the file ended behind the last box
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
        if (!top.movie && std::memcmp(box + 4, "moov", 4) == 0) {
            const std::uint64_t header = Be32(box) == 1 ? 16 : 8;
            top.movieAt = at + header;
            top.movieBytes = size - header;
            top.movie = true;
        }
        top.meta = top.meta || std::memcmp(box + 4, "meta", 4) == 0;
        at += size;
    }
    top.end = at;
    return top;
}

// False when the movie's video chunks do not hold their samples where the tables put
// them: the file broke somewhere (raw/Mp4Reassembly.h). Tables that cannot be read
// leave the walked length.
bool chunksInPlace(const FileBytesReader& read, const TopLevel& top) {
    if (top.movieBytes > kMaxMovieBox)
        return true;
    std::vector<unsigned char> movie(static_cast<std::size_t>(top.movieBytes));
    if (!read(top.movieAt, static_cast<std::uint32_t>(movie.size()), movie.data()))
        return false;
    const auto tables = ReadMp4SampleTables(movie.data(), movie.size(), top.end);
    return !tables || ChunksInPlace(*tables, read);
}

bool brandIs(const unsigned char* brand, std::initializer_list<std::string_view> names) {
    return std::any_of(names.begin(), names.end(),
                       [&](std::string_view n) { return std::memcmp(brand, n.data(), 4) == 0; });
}

bool isHeicBrand(const unsigned char* brand) {
    return brandIs(brand, {"heic", "heix", "heim", "heis", "hevc", "hevx"});
}

bool isHeifBrand(const unsigned char* brand) {
    return isHeicBrand(brand) || brandIs(brand, {"mif1", "msf1", "heif"});
}

// The major brand of the `ftyp` at the start of the file.
bool majorBrand(const FileBytesReader& read, std::uint64_t bytes, unsigned char* brand) {
    unsigned char head[12];
    if (bytes < sizeof head || !read(0, sizeof head, head))
        return false;
    std::memcpy(brand, head + 8, 4);
    return true;
}

} // namespace

std::optional<MediaLength> IsoVideoLength(const FileBytesReader& read, std::uint64_t limit) {
    const auto top = walkTopLevel(read, limit);
    if (!top || !top->movie || !chunksInPlace(read, *top))
        return std::nullopt;
    return MediaLength{top->end, IsoVideoExtension(top->brand)};
}

bool LooksLikeHeif(const unsigned char* b, std::size_t size) {
    return LooksLikeIsoVideo(b, size) && isHeifBrand(b + 8);
}

std::optional<MediaLength> HeifLength(const FileBytesReader& read, std::uint64_t limit) {
    unsigned char head[16];
    if (limit < sizeof head || !read(0, sizeof head, head) || !LooksLikeHeif(head, sizeof head))
        return std::nullopt;
    const auto top = walkTopLevel(read, limit);
    if (!top || !top->meta)
        return std::nullopt;
    return MediaLength{top->end, isHeicBrand(top->brand) ? ".HEIC" : ".HEIF"};
}

std::optional<std::string_view> AudioBrand(const FileBytesReader& read, std::uint64_t bytes) {
    unsigned char brand[4];
    if (majorBrand(read, bytes, brand) && brandIs(brand, {"M4A ", "M4B ", "M4P "}))
        return ".M4A";
    return std::nullopt;
}

std::optional<std::string_view> CanonRawBrand(const FileBytesReader& read, std::uint64_t bytes) {
    unsigned char brand[4];
    if (majorBrand(read, bytes, brand) && brandIs(brand, {"crx "}))
        return ".CR3";
    return std::nullopt;
}

} // namespace qr::raw
