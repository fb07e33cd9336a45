#pragma once
// What the FAT engine reads a volume through: the medium, the working layout and the
// volume's last sector. Handed out by the owner of the search state; copied freely.
#include "disk/SectorSource.h"
#include "fat/ActiveGeometry.h"
#include "fat/FatKinds.h"

#include <cstddef>
#include <cstdint>

namespace qr::fat {

class FatReadCache;

struct FatVolume {
    disk::SectorSource* source = nullptr;
    ActiveGeometry geometry;
    std::uint64_t partitionEnd = 0; // last sector of the volume, inclusive
    // Keeps FAT sectors and directory clusters for the life of one search; null: every
    // read goes to the medium.
    FatReadCache* cache = nullptr;

    bool fat32() const { return geometry.kind() == volume::FileSystemKind::Fat32; }
    bool isFat() const { return IsFatKind(geometry.kind()); }
    // Reads `count` sectors through the cache when there is one. False when some
    // sector could not be read (it holds zeros); true when the medium is missing.
    // `written` as for FatReadCache::read: the leading bytes written, the sectors
    // behind them being zeros that were left unwritten.
    bool read(std::uint64_t start, std::uint32_t count, unsigned char* buffer,
              std::size_t* written = nullptr) const;
};

} // namespace qr::fat
