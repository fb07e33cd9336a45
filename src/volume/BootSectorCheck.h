#pragma once
// Recognising a volume boot sector by its fields alone, through the registered file
// systems, with a plausibility check of the layout so that a stray sector ending in
// 0x55 0xAA, or one whose sizes reach beyond the disk, is not taken for a volume.
#include "disk/ByteView.h"
#include "volume/FileSystemKind.h"

#include <cstdint>
#include <optional>

namespace qr::volume {

struct BootSectorVolume {
    FileSystemKind kind = FileSystemKind::None;
    std::uint64_t sectors = 0;       // the volume's size as its boot sector gives it
    std::uint64_t systemSectors = 0; // reserved sectors and tables in front of the data
    std::uint32_t sectorBytes = 512; // the volume's own sector size its boot sector gives
};

// Sizes and counts above are in 512-byte sectors whatever the volume's own sector size.

// Both boot-sector signature bytes 0x55 0xAA at bytes 510 and 511.
bool HasBootSignature(disk::ByteView sector);

// The volume whose boot sector `sector` (512 bytes) is, when it lies at `at` on a disk
// of `diskSectors` sectors (0: size unknown, not checked); nullopt when the sector is
// no plausible boot sector of a registered file system or the volume does not fit.
std::optional<BootSectorVolume> RecogniseBootSector(disk::ByteView sector, std::uint64_t at,
                                                    std::uint64_t diskSectors);

// The farthest backup boot sector any registered file system keeps, in the volume's own
// sectors from its start (0: none keeps one).
std::uint64_t FarthestBackupOffset();

// A backup boot sector inside `run` (the 512-byte sectors from `at` on) that names
// itself as its file system's backup, at its offset in the sectors it gives: the volume
// it describes starts at `at`.
std::optional<BootSectorVolume> RecogniseBackupBootSector(disk::ByteView run, std::uint64_t at,
                                                          std::uint64_t diskSectors);

} // namespace qr::volume
