#include "fat/FoldersFromParentEntries.h"

#include "fat/DirectoryWalk.h"
#include "fat/FatExtractClusters.h"

#include <array>
#include <deque>
#include <unordered_set>

namespace qr::fat {

std::vector<FoundDirectory> FoldersFromParentEntries(const FatVolume& volume,
                                                     const std::vector<std::uint32_t>& known,
                                                     std::stop_token stop) {
    std::vector<FoundDirectory> added;
    if (!volume.isFat())
        return added;
    const bool fat32 = volume.fat32();
    const std::uint32_t highest = HighestCluster(volume);
    std::unordered_set<std::uint32_t> folders(known.begin(), known.end());
    if (fat32)
        folders.insert(volume.geometry.rootStart); // the root cluster has no head either
    // Each folder is walked once: every key enters the queue only when first seen.
    std::deque<std::uint32_t> pending(known.begin(), known.end());
    pending.push_front(0);
    std::array<unsigned char, disk::kSectorBytes> head{};
    while (!pending.empty() && !stop.stop_requested()) {
        const std::uint32_t key = pending.front();
        pending.pop_front();
        WalkDirectory(
            volume, DirectoryExtentsOf(volume, key),
            key == 0 && !fat32 ? EndMarkerStops::Sector : EndMarkerStops::Directory,
            [&](NamedEntry& named) {
                const disk::ByteView entry = named.entry();
                const std::uint32_t cluster = firstClusterOf(entry, fat32);
                if (named.deleted || cluster < 2 || cluster > highest ||
                    folders.count(cluster) != 0)
                    return true;
                // A first cluster overwritten since (zeros, or data) holds no folder. One
                // the medium cannot read is kept: the parent's entry names the folder, and
                // the save names it as a folder whose files could not be listed.
                const ActiveGeometry& g = volume.geometry;
                const std::uint64_t sector =
                    std::uint64_t{g.cluster0Start} + std::uint64_t{cluster} * g.sectorsPerCluster;
                if (volume.read(sector, 1, head.data()) &&
                    !HoldsDirectoryEntries({head.data(), head.size()}))
                    return true;
                folders.insert(cluster);
                added.push_back({sector, cluster, key, dateOf(entry), timeOf(entry), sizeOf(entry),
                                 attributeOf(entry)});
                pending.push_back(cluster);
                return true;
            },
            [](disk::ByteView entry) { return (attributeOf(entry) & kAttrDirectory) != 0; });
    }
    return added;
}

} // namespace qr::fat
