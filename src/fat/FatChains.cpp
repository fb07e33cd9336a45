#include "fat/FatChains.h"

#include "disk/ByteView.h"
#include "fat/FatReadCache.h"

#include <algorithm>
#include <cstring>
#include <unordered_set>

namespace qr::fat {

FatEntryReader::FatEntryReader(const FatVolume& volume, bool fat32, std::uint32_t fatStart)
    : volume_(volume), fat32_(fat32), fatStart_(fatStart) {}

std::uint32_t FatEntryReader::sectorIndexOf(std::uint32_t cluster) const {
    return cluster / entriesPerSector();
}

bool FatEntryReader::entry(std::uint32_t cluster, std::uint32_t& value) {
    const std::uint64_t sector = std::uint64_t{fatStart_} + sectorIndexOf(cluster);
    if (sector != cachedSector_ || !cachedOk_) {
        // A read writes the whole sector (zeros where it failed); no medium, no read.
        cachedOk_ = volume_.source && volume_.read(sector, 1, sector_);
        if (!volume_.source)
            std::memset(sector_, 0, sizeof sector_);
        cachedSector_ = sector;
    }
    const std::uint32_t index = cluster % entriesPerSector();
    const disk::ByteView bytes(sector_, sizeof sector_);
    value = fat32_ ? bytes.u32(index * 4) : bytes.u16(index * 2);
    return cachedOk_;
}

ClusterChain BuildDirectoryChain(const FatVolume& volume, std::uint32_t firstCluster) {
    const ActiveGeometry& geometry = volume.geometry;
    ClusterChain chain;
    if (!volume.isFat())
        return chain;
    FatEntryReader fat(volume, volume.fat32(), geometry.firstFat);
    // A damaged FAT may loop; a cluster met twice ends the chain before the repeat.
    // Most directories are a cluster or a few: those are checked against the chain
    // itself, and a set is built only for a long one.
    constexpr std::size_t kShortChain = 16;
    std::unordered_set<std::uint32_t> seen;
    const auto met = [&](std::uint32_t c) {
        if (chain.size() <= kShortChain)
            return std::find(chain.begin(), chain.end(), c) != chain.end();
        if (seen.empty())
            seen.insert(chain.begin(), chain.end());
        return seen.count(c) != 0;
    };
    std::uint32_t cluster = firstCluster;
    for (;;) {
        chain.push_back(cluster);
        if (!seen.empty())
            seen.insert(cluster);
        if (geometry.firstFat == 0 || fat.sectorIndexOf(cluster) > geometry.sectorsPerFat)
            break;
        std::uint32_t next = 0;
        if (!fat.entry(cluster, next))
            break;
        if (next == 0 || next == 1 || fat.isEndOfChain(next) || met(next))
            break;
        cluster = next;
    }
    return chain;
}

ClusterChain BuildFileChain(const FatVolume& volume, std::uint32_t firstCluster,
                            std::uint32_t fatStart, std::uint32_t neededCount) {
    ClusterChain chain{firstCluster};
    if (!volume.isFat())
        return chain;
    const bool fat32 = volume.fat32();
    if (neededCount == 0 || (!fat32 && fatStart == 0))
        return chain;
    FatEntryReader fat(volume, fat32, fatStart);
    while (chain.size() <= neededCount) {
        std::uint32_t next = 0;
        fat.entry(chain.back(), next);
        if (next == 0 || fat.isEndOfChain(next))
            break;
        chain.push_back(next);
    }
    return chain;
}

void ReleaseChain(ClusterChain& chain) {
    chain.clear();
    chain.shrink_to_fit();
}

} // namespace qr::fat
