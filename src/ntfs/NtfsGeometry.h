#pragma once
// Where an NTFS volume lies on the medium and how it counts clusters: what every
// NTFS walk and the extraction need, taken from the validated boot sector.
#include <cstdint>

namespace qr::ntfs {

struct NtfsGeometry {
    std::uint64_t volumeStart = 0; // first sector; clusters are counted from it
    std::uint64_t volumeEnd = 0;   // first sector behind the volume
    std::uint32_t sectorsPerCluster = 0;
    std::uint64_t mftStart = 0; // first sector of the MFT (record 0)
    // Sectors per MFT record, as the boot sector gives it: 2 (1024 bytes), or 8 on a
    // volume of 4096-byte sectors, whose records are 4096 bytes; at most 128.
    std::uint32_t recordSectors = 2;

    std::uint32_t recordBytes() const { return recordSectors * 512; }

    // The absolute sector of `cluster`, or 0 when it lies outside the volume.
    std::uint64_t clusterSector(std::uint64_t cluster) const {
        if (sectorsPerCluster == 0 || cluster >= (volumeEnd - volumeStart) / sectorsPerCluster)
            return 0;
        return volumeStart + cluster * sectorsPerCluster;
    }
    // The record sector `sector` names, whole: record tables and the rows a save hands
    // over keep sector numbers in 32 bits, and a volume of fewer than 2^32 sectors that
    // reaches beyond them holds exactly one sector with those low bits.
    std::uint64_t wholeSector(std::uint64_t sector) const {
        constexpr std::uint64_t kLow = 0xFFFFFFFFu;
        if (sector > kLow || volumeEnd <= kLow + 1)
            return sector;
        const std::uint64_t candidate = (volumeStart & ~kLow) | sector;
        return candidate < volumeStart ? candidate + kLow + 1 : candidate;
    }
    // Clusters of the volume.
    std::uint64_t clusterCount() const {
        return sectorsPerCluster == 0 || volumeEnd <= volumeStart
                   ? 0
                   : (volumeEnd - volumeStart) / sectorsPerCluster;
    }
};

} // namespace qr::ntfs
