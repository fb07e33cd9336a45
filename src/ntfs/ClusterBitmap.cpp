#include "ntfs/ClusterBitmap.h"

#include "ntfs/Attribute.h"
#include "ntfs/ClusterRead.h"

#include <algorithm>
#include <bit>

namespace qr::ntfs {

ClusterBitmap ClusterBitmap::Load(disk::SectorSource& source, const NtfsGeometry& geometry,
                                  const MftRunList& mftRuns) {
    ClusterBitmap bitmap;
    RecordBytes record{};
    if (!ReadMftRecord(source, geometry, mftRuns, kBitmapRecord, record))
        return bitmap;
    const disk::ByteView view(record.data(), record.size());
    Attribute data;
    if (!FindAttribute(view, kData, data))
        return bitmap;
    const std::uint64_t needed = (geometry.clusterCount() + 7) / 8;
    if (data.nonResident())
        bitmap.bits_ = ReadNonResidentValue(source, geometry, data, needed);
    else if (const disk::ByteView value = data.value(); !value.empty())
        bitmap.bits_.assign(value.data(),
                            value.data() + std::min<std::uint64_t>(value.size(), needed));
    return bitmap;
}

std::uint64_t ClusterBitmap::takenOf(std::uint64_t first, std::uint64_t count) const {
    const std::uint64_t covered = std::uint64_t{bits_.size()} * 8;
    if (first >= covered)
        return count;
    const std::uint64_t inside = std::min(count, covered - first);
    std::uint64_t taken = count - inside;
    std::uint64_t bit = first;
    const std::uint64_t end = first + inside;
    // Bit by bit to a byte boundary, then whole bytes.
    while (bit < end && bit % 8 != 0) {
        taken += (bits_[bit / 8] >> (bit % 8)) & 1;
        ++bit;
    }
    while (bit + 8 <= end) {
        taken += static_cast<std::uint64_t>(std::popcount(bits_[bit / 8]));
        bit += 8;
    }
    while (bit < end) {
        taken += (bits_[bit / 8] >> (bit % 8)) & 1;
        ++bit;
    }
    return taken;
}

} // namespace qr::ntfs
