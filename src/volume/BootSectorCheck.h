#pragma once
// Recognising a volume boot sector by its fields alone: FAT12, FAT16, FAT32, NTFS and
// exFAT, with a
// plausibility check of the layout so that a stray sector ending in 0x55 0xAA, or one
// whose sizes reach beyond the disk, is not taken for a volume.
#include "disk/ByteView.h"
#include "volume/FileSystemKind.h"

#include <cstdint>
#include <optional>

namespace qr::volume {

struct BootSectorVolume {
    FileSystemKind kind = FileSystemKind::None;
    std::uint64_t sectors = 0;       // the volume's size as its boot sector gives it
    std::uint64_t systemSectors = 0; // reserved sectors and tables in front of the data
};

// The volume whose boot sector `sector` (512 bytes) is, when it lies at `at` on a disk
// of `diskSectors` sectors (0: size unknown, not checked); nullopt when the sector is
// no plausible FAT16, FAT32 or NTFS boot sector or the volume does not fit the disk.
std::optional<BootSectorVolume> RecogniseBootSector(disk::ByteView sector, std::uint64_t at,
                                                    std::uint64_t diskSectors);

// Sector offset of the FAT32 backup boot sector this system looks for.
inline constexpr std::uint64_t kFat32BackupOffset = 6;

// A FAT32 backup boot sector read at `at` + 6 that names itself as the backup at +6:
// the volume it describes starts at `at`.
std::optional<BootSectorVolume> RecogniseFat32Backup(disk::ByteView backup, std::uint64_t at,
                                                     std::uint64_t diskSectors);

} // namespace qr::volume
