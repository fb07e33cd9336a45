#pragma once
// The fields of a FAT12, FAT16 or FAT32 boot sector that validation and the advanced sweep
// read. Decoding never fails: bytes outside the view read as 0, and judging the values
// is the caller's business. Sector counts are in 512-byte sectors: a volume of 1024, 2048
// or 4096 bytes per sector has them scaled (saturating at 32 bits); any other
// bytes-per-sector value is read as 512.
#include "disk/ByteView.h"

#include <cstdint>

namespace qr::fat {

struct FatBootSector {
    bool bootSignature = false;          // 0x55 0xAA at 510
    bool fat16Text = false;              // "16" at 57, inside the FAT16 type text at 54
    bool fat32Text = false;              // "32" at 85, inside the FAT32 type text at 82
    bool fat12Text = false;              // "FAT12" at 54, the FAT12 type text
    std::uint32_t bytesPerSector = 0;    // offset 11, as the boot sector holds it
    std::uint32_t subSectors = 1;        // 512-byte sectors per sector of the volume
    std::uint32_t sectorsPerCluster = 0; // offset 13
    std::uint32_t reservedSectors = 0;   // offset 14
    std::uint32_t rootEntries = 0;       // offset 17 (FAT16)
    std::uint32_t totalSectors16 = 0;    // offset 19, used by volumes below 65536 sectors
    std::uint32_t sectorsPerFat16 = 0;   // offset 22
    std::uint32_t totalSectors32 = 0;    // offset 32
    std::uint32_t sectorsPerFat32 = 0;   // offset 36, a full 32-bit field
    std::uint32_t rootCluster = 0;       // offset 44 (FAT32), a full 32-bit field

    // Sectors of the volume: the 32-bit count, or the 16-bit one when the 32-bit field
    // is 0 (small volumes keep their count there).
    std::uint32_t totalSectors() const {
        return totalSectors32 != 0 ? totalSectors32 : totalSectors16;
    }
};

FatBootSector DecodeFatBootSector(disk::ByteView sector);

} // namespace qr::fat
