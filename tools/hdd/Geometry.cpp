#include "DetectedDisk.h"

namespace qr::hdd {

Geometry GeometryFrom(std::uint64_t sizeBytes, std::uint32_t heads, std::uint32_t sectors) {
    Geometry g;
    g.heads = heads;
    g.sectorsPerTrack = sectors;
    const std::uint64_t perCylinder = std::uint64_t{heads} * sectors;
    g.cylinders = perCylinder ? sizeBytes / 512 / perCylinder : 0;
    return g;
}

Geometry TranslatedGeometry(std::uint64_t sizeBytes) {
    constexpr std::uint32_t kSectors = 63;
    for (std::uint32_t heads : {16u, 32u, 64u, 128u})
        if (sizeBytes / 512 <= std::uint64_t{1024} * heads * kSectors)
            return GeometryFrom(sizeBytes, heads, kSectors);
    return GeometryFrom(sizeBytes, 255, kSectors);
}

} // namespace qr::hdd
