#include "exfat/AllocationBitmap.h"

#include "disk/ByteView.h"
#include "exfat/StreamClusters.h"

#include <algorithm>

namespace qr::exfat {

namespace {

constexpr std::uint8_t kBitmapEntry = 0x81;
// The bitmap entries lie at the root's start; a root read this far without one has none.
constexpr std::uint64_t kRootBytesSearched = 1024 * 1024;

} // namespace

AllocationBitmap AllocationBitmap::Load(disk::SectorSource& source, const Geometry& geometry,
                                        FatTable& fat) {
    AllocationBitmap bitmap;
    const StreamPlace root =
        PlaceStream(fat, geometry, {geometry.rootCluster, UINT64_MAX, false, false});
    const std::vector<unsigned char> entries =
        ReadStream(source, geometry, root, kRootBytesSearched);
    const disk::ByteView view(entries.data(), entries.size());
    for (std::size_t at = 0; at + 32 <= entries.size(); at += 32) {
        const std::uint8_t type = view.u8(at);
        if (type == 0)
            break;
        // Bit 0 of the flags tells the second bitmap of a TexFAT volume.
        if (type != kBitmapEntry || (view.u8(at + 1) & 1) != 0)
            continue;
        const std::uint64_t needed = (std::uint64_t{geometry.clusterCount} + 7) / 8;
        const std::uint64_t length = std::min(view.u64(at + 24), needed);
        StreamRef stream{view.u32(at + 20), length, false, false};
        StreamPlace place = PlaceStream(fat, geometry, stream);
        if (place.cutShort) { // a bitmap written without its FAT chain
            stream.noFatChain = true;
            place = PlaceStream(fat, geometry, stream);
        }
        if (!place.noData)
            bitmap.bits_ = ReadStream(source, geometry, place, length);
        break;
    }
    return bitmap;
}

bool AllocationBitmap::taken(std::uint32_t cluster) const {
    if (cluster < 2)
        return true;
    const std::uint64_t bit = std::uint64_t{cluster} - 2;
    if (bit / 8 >= bits_.size())
        return true;
    return (bits_[static_cast<std::size_t>(bit / 8)] >> (bit % 8)) & 1;
}

} // namespace qr::exfat
