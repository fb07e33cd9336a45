#pragma once
// The exFAT allocation bitmap: one bit per heap cluster (bit 0 of byte 0 is cluster
// 2), set while a file holds the cluster. Found through its entry (type 0x81) in the
// root directory; the first bitmap of the volume is used.
#include "disk/SectorSource.h"
#include "exfat/FatChain.h"
#include "exfat/Geometry.h"

#include <cstdint>
#include <vector>

namespace qr::exfat {

class AllocationBitmap {
public:
    // Reads the bitmap the root directory names; an empty bitmap when there is none
    // or it cannot be placed in the heap.
    static AllocationBitmap Load(disk::SectorSource& source, const Geometry& geometry,
                                 FatTable& fat);

    bool empty() const { return bits_.empty(); }
    // True when the bitmap marks `cluster` taken; clusters it does not cover count as
    // taken (nothing can be said of them).
    bool taken(std::uint32_t cluster) const;

private:
    std::vector<unsigned char> bits_;
};

} // namespace qr::exfat
