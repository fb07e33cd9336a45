#include "volume/BootSectorCheck.h"

#include "volume/ExfatBootRegion.h"
#include "volume/SectorBytes.h"

#include <limits>

namespace qr::volume {
namespace {

constexpr std::uint16_t kBytesPerSector = 512;

bool hasSignature(disk::ByteView s) {
    return s.u8(0x1FE) == 0x55 && s.u8(0x1FF) == 0xAA;
}

bool fitsDisk(std::uint64_t at, std::uint64_t sectors, std::uint64_t diskSectors) {
    return diskSectors == 0 || (at <= diskSectors && sectors <= diskSectors - at);
}

std::optional<BootSectorVolume> fatVolume(disk::ByteView s, FileSystemKind kind) {
    const bool fat32 = kind == FileSystemKind::Fat32;
    const std::uint32_t perCluster = s.u8(0x0D);
    const std::uint32_t reserved = s.u16(0x0E);
    const std::uint32_t fats = s.u8(0x10);
    const std::uint64_t perFat = fat32 ? s.u32(0x24) : s.u16(0x16);
    const std::uint64_t total = s.u16(0x13) != 0 ? s.u16(0x13) : s.u32(0x20);
    const std::uint64_t rootSectors = fat32 ? 0 : (std::uint64_t{s.u16(0x11)} * 32 + 511) / 512;
    if (s.u16(0x0B) != kBytesPerSector || !IsSectorsPerCluster(perCluster) || reserved == 0 ||
        fats < 1 || fats > 2 || perFat == 0 || total == 0)
        return std::nullopt;
    if (fat32 && s.u32(0x2C) < 2) // the root folder's cluster
        return std::nullopt;
    const std::uint64_t system = reserved + fats * perFat + rootSectors;
    if (system >= total)
        return std::nullopt;
    return BootSectorVolume{kind, total, system};
}

std::optional<BootSectorVolume> ntfsVolume(disk::ByteView s) {
    const std::uint32_t perCluster = s.u8(0x0D);
    const std::uint64_t total = s.u64(0x28);
    if (s.u16(0x0B) != kBytesPerSector || !IsSectorsPerCluster(perCluster) || total == 0)
        return std::nullopt;
    const std::uint64_t mft = s.u64(0x30), mirror = s.u64(0x38);
    // Both tables lie inside the volume (cluster numbers checked before multiplying).
    if (mft == 0 || mirror == 0 || mft >= total / perCluster || mirror >= total / perCluster)
        return std::nullopt;
    return BootSectorVolume{FileSystemKind::Ntfs, total, 16};
}

std::optional<BootSectorVolume> exfatVolume(disk::ByteView s) {
    const auto boot = DecodeExfatBootSector(s, std::numeric_limits<std::uint64_t>::max() >> 12);
    // A length whose 512-byte count would not fit 64 bits is no disk's.
    if (!boot || boot->volumeLength > std::numeric_limits<std::uint64_t>::max() >> 3)
        return std::nullopt;
    const unsigned scale = boot->bytesPerSectorShift - 9;
    return BootSectorVolume{FileSystemKind::ExFat, boot->volumeLength << scale,
                            std::uint64_t{boot->heapOffset} << scale};
}

} // namespace

std::optional<BootSectorVolume> RecogniseBootSector(disk::ByteView s, std::uint64_t at,
                                                    std::uint64_t diskSectors) {
    if (!s.has(0, 512) || !hasSignature(s))
        return std::nullopt;
    std::optional<BootSectorVolume> v;
    if (s.matches(0x52, "FAT32"))
        v = fatVolume(s, FileSystemKind::Fat32);
    else if (s.matches(0x36, "FAT16"))
        v = fatVolume(s, FileSystemKind::Fat16);
    else if (s.matches(0x36, "FAT12"))
        v = fatVolume(s, FileSystemKind::Fat12);
    else if (s.matches(0x03, "NTFS"))
        v = ntfsVolume(s);
    else if (HasExfatName(s))
        v = exfatVolume(s);
    if (v && !fitsDisk(at, v->sectors, diskSectors))
        return std::nullopt;
    return v;
}

std::optional<BootSectorVolume> RecogniseFat32Backup(disk::ByteView backup, std::uint64_t at,
                                                     std::uint64_t diskSectors) {
    auto v = RecogniseBootSector(backup, at, diskSectors);
    if (!v || v->kind != FileSystemKind::Fat32 || backup.u16(0x32) != kFat32BackupOffset)
        return std::nullopt;
    return v;
}

} // namespace qr::volume
