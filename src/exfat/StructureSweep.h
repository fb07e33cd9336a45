#pragma once
// The Advanced exFAT sweep: every sector of a range is looked at once for what an
// exFAT volume leaves behind when its boot regions are gone or were written over by a
// new format: boot regions (name, signature and region checksum), the first sectors
// of allocation tables, and directory sectors, whose entry sets (with a valid set
// checksum) tell where folders were found and which clusters their parents named.
#include "disk/ByteView.h"
#include "disk/SectorSource.h"
#include "disk/Sweep.h"
#include "exfat/BootRegion.h"

#include <cstdint>
#include <stop_token>
#include <vector>

namespace qr::volume {
class SearchProgress;
}

namespace qr::exfat {

// A boot region whose boot sector decodes and whose checksum holds.
struct FoundBootRegion {
    std::uint64_t sector = 0;
    exfat::ExfatBootSector boot;
};

// A folder's entry set: where it lies and the stream it names.
struct FoundFolderSet {
    std::uint64_t sector = 0; // the sector the set begins in
    std::uint32_t firstCluster = 0;
    std::uint64_t dataLength = 0;
    bool noFatChain = false;
    bool deleted = false;
};

// A sector holding a root directory's allocation bitmap entry (and its up-case table
// entry, when it survives).
struct FoundRootEntries {
    std::uint64_t sector = 0;
    std::uint32_t bitmapCluster = 0;
    std::uint64_t bitmapLength = 0;
    std::uint32_t upcaseCluster = 0;
    std::uint64_t upcaseLength = 0;
};

struct ExfatFindings {
    std::vector<FoundBootRegion> boots;
    std::vector<std::uint64_t> fatStarts; // sectors that begin as an exFAT FAT does
    // Directory sectors whose first entry begins a valid set (where a folder's first
    // cluster starts), and those in which any valid set begins.
    std::vector<std::uint64_t> setStarts;
    std::vector<std::uint64_t> directorySectors;
    std::vector<FoundFolderSet> folders; // every folder set, in sector order
    std::vector<FoundRootEntries> roots; // in sector order
    std::uint64_t rangeFirst = 0;
    std::uint64_t rangeEnd = 0; // clamped to the medium
    disk::SweepEnd end = disk::SweepEnd::Finished;
};

// Caps that keep a hostile medium from filling memory: rows beyond them are dropped.
inline constexpr std::size_t kMaxFoundSets = 4u << 20;
inline constexpr std::size_t kMaxFoundBoots = 256;
inline constexpr std::size_t kMaxFoundFats = 256;
inline constexpr std::size_t kMaxFoundRoots = 4096;
// Sectors after a looked-at sector it may need: a boot region of twelve 4096-byte
// sectors (an entry set that begins in its last entry needs two more at most).
inline constexpr std::uint32_t kLookAheadSectors = 96;

// Looks at the sector at the start of `bytes` (sector number `sector`); `bytes` runs on
// into the sectors behind it where the medium has them.
void LookAtSector(disk::ByteView bytes, std::uint64_t sector, ExfatFindings& findings);

// Sweeps sectors [first, end) with the shared batched sweep.
ExfatFindings SweepExfatStructures(disk::SectorSource& source, std::uint64_t first,
                                   std::uint64_t end, volume::SearchProgress& progress,
                                   std::stop_token stop);

} // namespace qr::exfat
