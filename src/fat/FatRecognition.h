#pragma once
// Recognising FAT12, FAT16 and FAT32 boot sectors by their fields alone, with a plausibility
// check of the layout so that a stray sector ending in 0x55 0xAA is not taken for one.
#include "disk/ByteView.h"
#include "volume/BootSectorCheck.h"

#include <cstdint>
#include <optional>

namespace qr::fat {

// What the program says of a FAT12 volume: it is named, not searched.
inline constexpr const char* kFat12NotSearched =
    "This is a FAT12 volume. FAT12 volumes are not searched: the search reads FAT16, FAT32, "
    "NTFS and exFAT volumes.";

std::optional<volume::BootSectorVolume> RecogniseFat12BootSector(disk::ByteView sector);
std::optional<volume::BootSectorVolume> RecogniseFat16BootSector(disk::ByteView sector);
std::optional<volume::BootSectorVolume> RecogniseFat32BootSector(disk::ByteView sector);

// Sector offset of the FAT32 backup boot sector this system looks for.
inline constexpr std::uint64_t kFat32BackupOffset = 6;

// A FAT32 backup boot sector (read `kFat32BackupOffset` sectors into a volume) that
// names itself as the backup at that offset.
std::optional<volume::BootSectorVolume> RecogniseFat32Backup(disk::ByteView backup);

} // namespace qr::fat
