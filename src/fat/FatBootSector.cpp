#include "fat/FatBootSector.h"

#include "volume/SectorBytes.h"

#include <algorithm>

namespace qr::fat {
namespace {

std::uint32_t scaled(std::uint64_t value, std::uint32_t subSectors) {
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(value * subSectors, 0xFFFFFFFFu));
}

} // namespace

FatBootSector DecodeFatBootSector(disk::ByteView sector) {
    FatBootSector boot;
    boot.bootSignature = sector.u8(510) == 0x55 && sector.u8(511) == 0xAA;
    boot.fat16Text = sector.matches(57, "16");
    boot.fat32Text = sector.matches(85, "32");
    boot.fat12Text = sector.matches(54, "FAT12");
    boot.bytesPerSector = sector.u16(11);
    const std::uint32_t k = std::max(1u, volume::SubSectorsPerSector(boot.bytesPerSector));
    boot.subSectors = k;
    boot.sectorsPerCluster = sector.u8(13) * k;
    boot.reservedSectors = sector.u16(14) * k;
    boot.rootEntries = sector.u16(17);
    boot.totalSectors16 = sector.u16(19) * k;
    boot.sectorsPerFat16 = sector.u16(22) * k;
    boot.totalSectors32 = scaled(sector.u32(32), k);
    boot.sectorsPerFat32 = scaled(sector.u32(36), k);
    boot.rootCluster = sector.u32(44);
    return boot;
}

} // namespace qr::fat
