#pragma once
// The volume's $Bitmap (record 6): one bit per cluster, set while a file holds it.
#include "disk/SectorSource.h"
#include "ntfs/MftRunList.h"
#include "ntfs/NtfsGeometry.h"

#include <cstdint>
#include <vector>

namespace qr::ntfs {

inline constexpr std::uint32_t kBitmapRecord = 6;

class ClusterBitmap {
public:
    // Reads the unnamed data of record 6, at most one bit per cluster of the volume;
    // an empty bitmap when the record or its data cannot be read.
    static ClusterBitmap Load(disk::SectorSource& source, const NtfsGeometry& geometry,
                              const MftRunList& mftRuns);

    bool empty() const { return bits_.empty(); }
    // How many of `count` clusters from `first` the bitmap marks taken; clusters it
    // does not cover count as taken.
    std::uint64_t takenOf(std::uint64_t first, std::uint64_t count) const;

private:
    std::vector<unsigned char> bits_;
};

} // namespace qr::ntfs
