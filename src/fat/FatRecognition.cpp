#include "fat/FatRecognition.h"

#include "volume/SectorBytes.h"

namespace qr::fat {
namespace {

std::optional<volume::BootSectorVolume> fatVolume(disk::ByteView s, volume::FileSystemKind kind) {
    const bool fat32 = kind == volume::FileSystemKind::Fat32;
    const std::uint32_t bytesPerSector = s.u16(0x0B);
    const std::uint64_t scale = volume::SubSectorsPerSector(bytesPerSector);
    const std::uint32_t perCluster = s.u8(0x0D);
    const std::uint32_t fats = s.u8(0x10);
    // Sizes in 512-byte sectors; the root area is whole sectors of the volume's own.
    const std::uint64_t reserved = s.u16(0x0E) * scale;
    const std::uint64_t perFat = (fat32 ? s.u32(0x24) : s.u16(0x16)) * scale;
    const std::uint64_t total = (s.u16(0x13) != 0 ? s.u16(0x13) : s.u32(0x20)) * scale;
    const std::uint64_t rootSectors =
        fat32 || scale == 0
            ? 0
            : (std::uint64_t{s.u16(0x11)} * 32 + bytesPerSector - 1) / bytesPerSector * scale;
    if (scale == 0 || !volume::IsSectorsPerCluster(perCluster) || reserved == 0 || fats < 1 ||
        fats > 2 || perFat == 0 || total == 0)
        return std::nullopt;
    if (fat32 && s.u32(0x2C) < 2) // the root folder's cluster
        return std::nullopt;
    const std::uint64_t system = reserved + fats * perFat + rootSectors;
    if (system >= total)
        return std::nullopt;
    return volume::BootSectorVolume{kind, total, system, bytesPerSector};
}

} // namespace

std::optional<volume::BootSectorVolume> RecogniseFat12BootSector(disk::ByteView s) {
    return s.matches(0x36, "FAT12") ? fatVolume(s, volume::FileSystemKind::Fat12) : std::nullopt;
}

std::optional<volume::BootSectorVolume> RecogniseFat16BootSector(disk::ByteView s) {
    return s.matches(0x36, "FAT16") ? fatVolume(s, volume::FileSystemKind::Fat16) : std::nullopt;
}

std::optional<volume::BootSectorVolume> RecogniseFat32BootSector(disk::ByteView s) {
    return s.matches(0x52, "FAT32") ? fatVolume(s, volume::FileSystemKind::Fat32) : std::nullopt;
}

std::optional<volume::BootSectorVolume> RecogniseFat32Backup(disk::ByteView backup) {
    if (!volume::HasBootSignature(backup) || backup.u16(0x32) != kFat32BackupOffset)
        return std::nullopt;
    return RecogniseFat32BootSector(backup);
}

} // namespace qr::fat
