#include "fat/FatBootSector.h"

namespace qr::fat {

FatBootSector DecodeFatBootSector(disk::ByteView sector) {
    FatBootSector boot;
    boot.bootSignature = sector.u8(510) == 0x55 && sector.u8(511) == 0xAA;
    boot.fat16Text = sector.matches(57, "16");
    boot.fat32Text = sector.matches(85, "32");
    boot.fat12Text = sector.matches(54, "FAT12");
    boot.sectorsPerCluster = sector.u8(13);
    boot.reservedSectors = sector.u16(14);
    boot.rootEntries = sector.u16(17);
    boot.totalSectors16 = sector.u16(19);
    boot.sectorsPerFat16 = sector.u16(22);
    boot.totalSectors32 = sector.u32(32);
    boot.sectorsPerFat32 = sector.u32(36);
    boot.rootCluster = sector.u32(44);
    return boot;
}

} // namespace qr::fat
