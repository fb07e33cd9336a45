#pragma once
// The exFAT boot region: the boot sector's fields, the region's checksum over its
// first eleven sectors, and the layout they give inside the volume. The main region
// starts at the volume's first sector, the backup twelve sectors later.
#include "disk/ByteView.h"
#include "disk/SectorSource.h"
#include "volume/VolumeParams.h"

#include <cstdint>
#include <optional>
#include <string>

namespace qr::exfat {

// Sectors of one boot region (in the volume's own sector size).
inline constexpr std::uint32_t kExfatBootRegionSectors = 12;

// The boot sector's fields, in the volume's own sectors and clusters.
struct ExfatBootSector {
    std::uint64_t volumeLength = 0; // sectors
    std::uint32_t fatOffset = 0;
    std::uint32_t fatLength = 0;
    std::uint32_t heapOffset = 0;
    std::uint32_t clusterCount = 0;
    std::uint32_t rootCluster = 0;
    std::uint8_t bytesPerSectorShift = 0;
    std::uint8_t sectorsPerClusterShift = 0;
    std::uint8_t fatCount = 0;
};

// True when the sector names itself exFAT ("EXFAT   " at byte 3).
bool HasExfatName(disk::ByteView sector);

// The fields of a boot sector whose name, signature, shifts and positions hold for a
// volume of `volumeSectors` 512-byte sectors; nullopt (and `why`) otherwise.
std::optional<ExfatBootSector> DecodeExfatBootSector(disk::ByteView sector,
                                                     std::uint64_t volumeSectors,
                                                     std::string* why = nullptr);

// The boot checksum over the first eleven sectors of a region of `sectorBytes`-byte
// sectors, skipping VolumeFlags and PercentInUse (bytes 106, 107 and 112).
std::uint32_t ExfatBootChecksum(disk::ByteView region, std::uint32_t sectorBytes);

// True when every 32-bit word of the region's twelfth sector repeats the checksum.
bool ExfatBootChecksumHolds(disk::ByteView region, std::uint32_t sectorBytes);

// Where the volume's parts lie, in absolute 512-byte sectors.
struct ExfatGeometry {
    std::uint64_t volumeStart = 0;
    std::uint64_t volumeEnd = 0; // first sector behind the volume
    std::uint64_t fatStart = 0;
    std::uint64_t fatSectors = 0;
    std::uint64_t heapStart = 0; // cluster 2
    std::uint32_t sectorsPerCluster = 0;
    std::uint32_t clusterCount = 0; // clusters 2 .. clusterCount + 1, all inside the volume
    std::uint32_t rootCluster = 0;

    std::uint64_t clusterBytes() const { return std::uint64_t{sectorsPerCluster} * 512; }
    bool inHeap(std::uint64_t cluster) const { return cluster >= 2 && cluster - 2 < clusterCount; }
    std::uint64_t clusterSector(std::uint32_t cluster) const {
        return heapStart + std::uint64_t{cluster - 2} * sectorsPerCluster;
    }
};

// The geometry of a decoded boot sector for a volume at `volumeStart`.
ExfatGeometry ExfatGeometryOf(const ExfatBootSector& boot, std::uint64_t volumeStart,
                              std::uint64_t volumeSectors);

struct ExfatBootRegionResult {
    std::optional<ExfatGeometry> geometry;
    bool fromBackup = false;
    std::string why; // when neither region holds
};

// Reads the main boot region and, when it fails, the backup one.
ExfatBootRegionResult ReadExfatBootRegion(disk::SectorSource& source, std::uint64_t volumeStart,
                                          std::uint64_t volumeSectors);

// Stores a geometry in the volume's parameters, as they are logged: sectors per
// cluster, the FAT's start and length, the heap's start (cluster 2) and the root
// cluster.
void StoreExfatGeometry(const ExfatGeometry& geometry, volume::VolumeParams& params);
// The geometry the parameters hold; nullopt when they hold none.
std::optional<ExfatGeometry> ExfatGeometryFromParams(const volume::VolumeParams& params);

} // namespace qr::exfat
