#pragma once
// Cluster chains of a FAT16 or FAT32 volume: the list of clusters that follows a
// first cluster in the allocation table. Directory chains run to their end; file
// chains stop once they hold the clusters the file needs.
#include "fat/FatVolume.h"

#include <cstdint>
#include <vector>

namespace qr::fat {

// Cluster numbers in chain order, first cluster first.
using ClusterChain = std::vector<std::uint32_t>;

inline constexpr std::uint32_t kFat16EndOfChain = 0xFFF8;
inline constexpr std::uint32_t kFat32EndOfChain = 0x0FFFFFF8;

// Reads FAT entries of one FAT copy of the volume. It keeps
// the last FAT sector it read, so walking a chain reads each FAT sector once per run
// of consecutive entries in it.
class FatEntryReader {
public:
    // `fat32` chooses 32-bit entries (128 per sector) over 16-bit ones (256).
    FatEntryReader(const FatVolume& volume, bool fat32, std::uint32_t fatStart);

    // FAT sector index that holds the entry of `cluster`.
    std::uint32_t sectorIndexOf(std::uint32_t cluster) const;
    // Reads the entry of `cluster` into `value`. False when the sector read failed
    // (the value then comes from whatever the buffer held).
    bool entry(std::uint32_t cluster, std::uint32_t& value);
    // Entries per FAT sector (256 or 128).
    std::uint32_t entriesPerSector() const { return fat32_ ? 128u : 256u; }
    bool isEndOfChain(std::uint32_t value) const {
        return value >= (fat32_ ? kFat32EndOfChain : kFat16EndOfChain);
    }

private:
    const FatVolume& volume_;
    bool fat32_;
    std::uint32_t fatStart_;
    std::uint64_t cachedSector_ = UINT64_MAX;
    bool cachedOk_ = false;
    unsigned char sector_[512]; // written by the first entry() call, before any use
};

// The directory chain of `firstCluster`, read from the volume's first FAT copy. Empty for a file
// system other than FAT16 or FAT32. Ends at a free entry, the value 1, an end-of-chain value, the
// end of the FAT, a failed FAT read, or before a cluster already in the chain (a loop in a damaged
// FAT).
ClusterChain BuildDirectoryChain(const FatVolume& volume, std::uint32_t firstCluster);

// The chain of a file needing `neededCount` clusters, read from the FAT copy at
// `fatStart`: at most neededCount + 1 clusters. On FAT16 a `fatStart` of 0 gives the
// first cluster alone; for a file system other than FAT16 or FAT32 the first cluster.
ClusterChain BuildFileChain(const FatVolume& volume, std::uint32_t firstCluster,
                            std::uint32_t fatStart, std::uint32_t neededCount);

// Frees the chain's clusters.
void ReleaseChain(ClusterChain& chain);

} // namespace qr::fat
