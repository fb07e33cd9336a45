#include "fat/FatExtractClusters.h"

#include "fat/FatChains.h"

#include <algorithm>
#include <limits>

namespace qr::fat {

namespace {

// The chain of one FAT copy when its length is exactly the needed count.
bool chainOfLength(const FatVolume& volume, std::uint32_t first, std::uint32_t fatStart,
                   std::uint32_t needed, ClusterChain& out) {
    ClusterChain chain = BuildFileChain(volume, first, fatStart, needed);
    if (chain.size() != needed) {
        ReleaseChain(chain);
        return false;
    }
    out = std::move(chain);
    return true;
}

std::vector<ClusterRun> runsOf(const ClusterChain& chain) {
    std::vector<ClusterRun> runs;
    for (std::uint32_t c : chain) {
        if (!runs.empty() && runs.back().count < std::numeric_limits<std::uint32_t>::max() &&
            static_cast<std::uint64_t>(runs.back().first) + runs.back().count == c)
            ++runs.back().count;
        else
            runs.push_back({c, 1});
    }
    return runs;
}

// Cuts the runs at the first cluster outside 2 .. highest.
bool clipToDataArea(std::vector<ClusterRun>& runs, std::uint32_t highest) {
    for (std::size_t i = 0; i < runs.size(); ++i) {
        ClusterRun& r = runs[i];
        if (r.first < 2 || r.first > highest) {
            runs.resize(i);
            return true;
        }
        const std::uint64_t last = std::uint64_t{r.first} + r.count - 1;
        if (last > highest) {
            r.count = highest - r.first + 1;
            runs.resize(i + 1);
            return true;
        }
    }
    return false;
}

} // namespace

std::uint32_t NeededClusters(std::uint64_t size, std::uint64_t clusterBytes) {
    if (clusterBytes == 0)
        return 0;
    const std::uint64_t n = size / clusterBytes + (size % clusterBytes ? 1 : 0);
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(n, 0xFFFFFFFFu));
}

std::uint32_t HighestCluster(const FatVolume& volume) {
    const ActiveGeometry& g = volume.geometry;
    std::uint64_t highest = std::numeric_limits<std::uint32_t>::max();
    if (g.sectorsPerFat != 0) {
        const std::uint64_t perSector = volume.fat32() ? 128 : 256;
        highest = std::min<std::uint64_t>(highest, g.sectorsPerFat * perSector - 1);
    }
    std::uint64_t end = volume.partitionEnd; // last sector, inclusive
    // Nothing behind the end of the medium can be read, whatever end the volume claims.
    if (volume.source)
        if (const std::uint64_t medium = volume.source->sectorCount(); medium > 0)
            end = std::min(end, medium - 1);
    if (g.sectorsPerCluster != 0 && end >= g.cluster0Start) {
        const std::uint64_t clusters = (end + 1 - g.cluster0Start) / g.sectorsPerCluster;
        highest = std::min<std::uint64_t>(highest, clusters == 0 ? 0 : clusters - 1);
    }
    return static_cast<std::uint32_t>(highest);
}

FileClusters ChooseFileClusters(const FatVolume& fat, std::uint32_t first, std::uint32_t needed,
                                volume::ClusterSource source) {
    FileClusters result;
    if (needed == 0)
        return result;
    const ActiveGeometry& g = fat.geometry;
    ClusterChain chain;
    switch (source) {
    case volume::ClusterSource::Automatic:
        result.fromChain = chainOfLength(fat, first, g.firstFat, needed, chain) ||
                           chainOfLength(fat, first, g.secondFat, needed, chain);
        break;
    case volume::ClusterSource::FirstFat:
        result.fromChain = chainOfLength(fat, first, g.firstFat, needed, chain);
        break;
    case volume::ClusterSource::SecondFat:
        result.fromChain = chainOfLength(fat, first, g.secondFat, needed, chain);
        break;
    case volume::ClusterSource::Contiguous:
        break;
    }
    if (result.fromChain)
        result.runs = runsOf(chain);
    else
        result.runs = {{first, needed}};
    ReleaseChain(chain);
    result.cutShort = clipToDataArea(result.runs, HighestCluster(fat));
    return result;
}

} // namespace qr::fat
