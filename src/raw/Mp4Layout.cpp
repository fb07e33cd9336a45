#include "raw/Mp4Layout.h"

#include "raw/IsoBoxes.h"
#include "raw/Mp4SampleTable.h"

#include <cstring>

namespace qr::raw {

namespace {

constexpr unsigned kMaxBoxes = 1u << 16;

struct BoxHeader {
    unsigned char type[4] = {};
    std::uint64_t size = 0;
    std::uint64_t headerBytes = 8;

    bool is(const char* name) const { return std::memcmp(type, name, 4) == 0; }
};

// The top-level box at `at` of the file as placed, when its type is known and it fits
// in `limit` bytes of file.
std::optional<BoxHeader> boxAt(const FileBytesReader& read, std::uint64_t at, std::uint64_t limit) {
    unsigned char bytes[16];
    if (at > limit || limit - at < 8 || !read(at, 8, bytes) || !IsTopLevelBox(bytes + 4))
        return std::nullopt;
    BoxHeader box;
    std::memcpy(box.type, bytes + 4, 4);
    box.size = Be32(bytes);
    if (box.size == 1) {
        if (limit - at < 16 || !read(at + 8, 8, bytes + 8))
            return std::nullopt;
        box.size = Be64(bytes + 8);
        box.headerBytes = 16;
    }
    if (box.size < box.headerBytes || box.size > limit - at)
        return std::nullopt;
    return box;
}

} // namespace

FileBytesReader PlacedFileReader(MediumBytes& medium, const FilePlacement& p) {
    return [&medium, p](std::uint64_t offset, std::uint32_t length, unsigned char* out) {
        if (offset > p.fileBytes || length > p.fileBytes - offset)
            return false;
        const std::uint64_t before =
            offset < p.breakAt ? std::min<std::uint64_t>(length, p.breakAt - offset) : 0;
        if (before > 0 && !medium.read(p.startByte + offset, before, out))
            return false;
        return before == length ||
               medium.read(p.startByte + offset + before + p.gap, length - before, out + before);
    };
}

std::optional<VideoLayout> WalkVideoBoxes(MediumBytes& medium, std::uint64_t start,
                                          std::uint64_t stepBytes) {
    const std::uint64_t startByte = start * disk::kSectorBytes;
    if (stepBytes == 0 || startByte >= medium.endByte())
        return std::nullopt;
    const std::uint64_t room = medium.endByte() - startByte;
    FilePlacement placement{startByte, room, room, 0};
    unsigned char head[16];
    if (!PlacedFileReader(medium, placement)(0, sizeof head, head) ||
        !LooksLikeIsoVideo(head, sizeof head))
        return std::nullopt;
    VideoLayout layout;
    layout.extension = IsoVideoExtension(head + 8);
    std::uint64_t at = Be32(head);
    layout.heldBytes = at;
    bool movie = false;
    bool data = false;
    for (unsigned boxes = 0; boxes < kMaxBoxes; ++boxes) {
        auto box = boxAt(PlacedFileReader(medium, placement), at, room - placement.gap);
        if (!box && movie && data)
            break;
        if (!box) {
            if (layout.gap)
                return std::nullopt;
            // Behind the break: a missing box, at a gap of whole steps.
            for (std::uint64_t k = 1; k <= kMaxVideoGapSteps && !box; ++k) {
                const FilePlacement tried{startByte, room, at, k * stepBytes};
                if (tried.gap >= room)
                    break;
                const FileBytesReader behind = PlacedFileReader(medium, tried);
                box = boxAt(behind, at, room - tried.gap);
                unsigned char first[8];
                const bool opensMovie = box && box->is("moov") && !movie &&
                                        behind(at + box->headerBytes, 8, first) &&
                                        std::memcmp(first + 4, "mvhd", 4) == 0;
                if (!opensMovie && !(box && box->is("mdat") && !data))
                    box.reset();
                else
                    placement = tried;
            }
            if (!box)
                return std::nullopt;
            layout.gap = placement.gap;
            layout.gapAt = at;
        }
        if (box->is("moov")) {
            const std::uint64_t payload = box->size - box->headerBytes;
            if (movie || payload > kMaxMovieBox)
                return std::nullopt;
            layout.movie.resize(static_cast<std::size_t>(payload));
            if (!PlacedFileReader(medium, placement)(at + box->headerBytes,
                                                     static_cast<std::uint32_t>(payload),
                                                     layout.movie.data()))
                return std::nullopt;
            movie = true;
        }
        data = data || box->is("mdat");
        if (!layout.gap)
            layout.heldBytes = at + (box->is("moov") ? box->size : box->headerBytes);
        at += box->size;
    }
    if (!movie || !data)
        return std::nullopt;
    layout.fileBytes = at;
    return layout;
}

} // namespace qr::raw
