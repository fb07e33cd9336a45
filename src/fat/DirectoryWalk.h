#pragma once
// Reads the sectors of a FAT directory and hands its named entries to a visitor.
// Used by the FAT engine's listings and the tree naming.
#include "fat/DirectoryEntry.h"
#include "fat/FatChains.h"
#include "fat/FatVolume.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace qr::fat {

// A run of consecutive directory sectors (one cluster, or the FAT16 root area).
struct DirectoryExtent {
    std::uint64_t firstSector = 0;
    std::uint64_t count = 0;
};

// One cluster per extent, in chain order.
std::vector<DirectoryExtent> ChainExtents(const FatVolume& volume, const ClusterChain& chain);

// The root directory: the FAT16 root area (at most 4096 sectors, as its 16-bit entry
// count allows) or the chain of the FAT32 root cluster.
std::vector<DirectoryExtent> RootDirectoryExtents(const FatVolume& volume);

// Where the directory `key` lies, as the file list finds it: key 0 is the root (the
// FAT16 root area, or the FAT32 root cluster's chain), any other key the chain of
// that first cluster. `fixedRootArea` tells the caller which one it got. Empty for a
// file system other than FAT16 or FAT32.
std::vector<DirectoryExtent> DirectoryExtentsOf(const FatVolume& volume, std::uint32_t key,
                                                bool* fixedRootArea = nullptr);

// What a first byte of 0 ends: just the sector, or the whole walk.
enum class EndMarkerStops { Sector, Directory };

struct NamedEntry {
    std::array<unsigned char, kEntrySize> raw{}; // the short entry
    std::string name;
    bool deleted = false;
    std::uint64_t sector = 0;
    std::size_t offset = 0;

    disk::ByteView entry() const { return {raw.data(), raw.size()}; }
};

// Returns false to end the walk. The visitor may take the entry's name: each entry
// gets a fresh one.
using EntryVisitor = std::function<bool(NamedEntry&)>;

// Walks the extents' sectors in order and calls `visit` for every entry that
// EntryNameOf accepts. `keepEntry` (when given) is asked first, on the raw entry,
// so callers can pass over entries (such as directories) before any name is read.
// False when a sector of the directory could not be read (it held no entries then).
bool WalkDirectory(const FatVolume& volume, const std::vector<DirectoryExtent>& extents,
                   EndMarkerStops endMarker, const EntryVisitor& visit,
                   const std::function<bool(disk::ByteView)>& keepEntry = {});

} // namespace qr::fat
