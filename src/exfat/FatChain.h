#pragma once
// The exFAT allocation table: next-cluster entries read in blocks through the sector
// source, and chain walks that end at the end mark, a free or bad entry, a cluster
// outside the heap, a loop, or a length cap.
#include "disk/SectorSource.h"
#include "exfat/Geometry.h"

#include <cstdint>
#include <unordered_map>
#include <vector>

namespace qr::exfat {

class FatTable {
public:
    FatTable(disk::SectorSource& source, const Geometry& geometry);
    // The entry of `cluster`; 0 when it lies outside the FAT or could not be read.
    std::uint32_t next(std::uint32_t cluster);

private:
    static constexpr std::uint32_t kBlockSectors = 128; // 64 KiB of entries per read
    disk::SectorSource& source_;
    Geometry geometry_;
    std::unordered_map<std::uint64_t, std::vector<unsigned char>> blocks_;
};

enum class ChainEnd {
    EndMark,  // the chain ended as it should
    Capped,   // `maxClusters` were collected before the end
    Broken,   // a free or bad entry, or a cluster outside the heap
    Loop,     // the chain came back to a cluster it had passed
    NotInHeap // the first cluster lies outside the heap
};

struct Chain {
    std::vector<std::uint32_t> clusters;
    ChainEnd end = ChainEnd::EndMark;
};

// Follows the chain from `first`, at most `maxClusters` clusters (and never more than
// the heap has, so a loop ends).
Chain WalkChain(FatTable& fat, const Geometry& geometry, std::uint32_t first,
                std::uint64_t maxClusters);

} // namespace qr::exfat
