#pragma once
// Reads the sectors of a FAT directory and hands its named entries to a visitor.
// Used by the tree builder, the file list and extraction.
#include "fat/DirectoryEntry.h"
#include "fat/FatChains.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace qr::app {
struct RecoveryContext;
}

namespace qr::fat {

// A run of consecutive directory sectors (one cluster, or the FAT16 root area).
struct DirectoryExtent {
    std::uint64_t firstSector = 0;
    std::uint64_t count = 0;
};

// One cluster per extent, in chain order.
std::vector<DirectoryExtent> ChainExtents(const app::RecoveryContext& context,
                                          const ClusterChain& chain);

// The root directory: the FAT16 root area (at most 4096 sectors, as its 16-bit entry
// count allows) or the chain of the FAT32 root cluster, from ActiveGeometry.
std::vector<DirectoryExtent> RootDirectoryExtents(app::RecoveryContext& context, bool fat32);

// Where the directory `key` lies, as the file list finds it: key 0 is the root (the
// FAT16 root area, or the FAT32 root cluster's chain), any other key the chain of
// that first cluster. `fixedRootArea` tells the caller which one it got. Empty for a
// file system other than FAT16 or FAT32 (ActiveGeometry name).
std::vector<DirectoryExtent> DirectoryExtentsOf(app::RecoveryContext& context, std::uint32_t key,
                                                bool* fixedRootArea = nullptr);

// What a first byte of 0 ends: just the sector, or the whole walk.
enum class EndMarkerStops { Sector, Directory };

struct NamedEntry {
    std::array<unsigned char, kEntrySize> raw{}; // the short entry
    std::string name;
    bool deleted = false;
    std::uint64_t sector = 0;
    std::size_t offset = 0;
};

// Returns false to end the walk.
using EntryVisitor = std::function<bool(const NamedEntry&)>;

// Walks the extents' sectors in order and calls `visit` for every entry that
// EntryNameOf accepts. `keepEntry` (when given) is asked first, on the raw entry,
// so callers can pass over entries (such as directories) before any name is read.
void WalkDirectory(app::RecoveryContext& context, const std::vector<DirectoryExtent>& extents,
                   EndMarkerStops endMarker, const EntryVisitor& visit,
                   const std::function<bool(const unsigned char*)>& keepEntry = {});

} // namespace qr::fat
