#include "exfat/FatChain.h"

#include <algorithm>
#include <unordered_set>

namespace qr::exfat {

FatTable::FatTable(disk::SectorSource& source, const Geometry& geometry)
    : source_(source), geometry_(geometry) {}

std::uint32_t FatTable::next(std::uint32_t cluster) {
    const std::uint64_t byte = std::uint64_t{cluster} * 4;
    const std::uint64_t sector = byte / 512;
    if (sector >= geometry_.fatSectors)
        return 0;
    const std::uint64_t block = sector / kBlockSectors;
    auto it = blocks_.find(block);
    if (it == blocks_.end()) {
        const std::uint64_t first = block * kBlockSectors;
        const auto count = static_cast<std::uint32_t>(
            std::min<std::uint64_t>(kBlockSectors, geometry_.fatSectors - first));
        std::vector<unsigned char> bytes(std::size_t{count} * 512);
        if (source_.readSectors(geometry_.fatStart + first, count, bytes.data()) ==
            disk::ReadStatus::NoMedium)
            return 0;
        it = blocks_.emplace(block, std::move(bytes)).first;
    }
    const disk::ByteView view(it->second.data(), it->second.size());
    return view.u32(byte - block * kBlockSectors * 512);
}

Chain WalkChain(FatTable& fat, const Geometry& geometry, std::uint32_t first,
                std::uint64_t maxClusters) {
    Chain chain;
    if (!geometry.inHeap(first)) {
        chain.end = ChainEnd::NotInHeap;
        return chain;
    }
    const std::uint64_t cap = std::min<std::uint64_t>(maxClusters, geometry.clusterCount);
    // A chain shorter than the cap can still come round: the clusters passed are kept.
    std::unordered_set<std::uint32_t> seen;
    std::uint32_t cluster = first;
    while (true) {
        if (chain.clusters.size() >= cap) {
            chain.end = ChainEnd::Capped;
            return chain;
        }
        if (!seen.insert(cluster).second) {
            chain.end = ChainEnd::Loop;
            return chain;
        }
        chain.clusters.push_back(cluster);
        const std::uint32_t next = fat.next(cluster);
        if (next == 0xFFFFFFFFu) {
            chain.end = ChainEnd::EndMark;
            return chain;
        }
        if (!geometry.inHeap(next)) {
            chain.end = ChainEnd::Broken;
            return chain;
        }
        cluster = next;
    }
}

} // namespace qr::exfat
