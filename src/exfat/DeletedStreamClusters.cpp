#include "exfat/DeletedStreamClusters.h"

#include "volume/FreeClusterReading.h"

#include <algorithm>
#include <limits>

namespace qr::exfat {

namespace {

std::vector<volume::SectorRun> sectorsOf(const Geometry& geometry, const StreamPlace& place) {
    std::vector<volume::SectorRun> sectors;
    for (const ClusterRun& run : place.runs)
        sectors.push_back({geometry.clusterSector(run.first),
                           std::uint64_t{run.count} * geometry.sectorsPerCluster});
    return sectors;
}

std::uint32_t highestCluster(const Geometry& geometry) {
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(
        std::uint64_t{geometry.clusterCount} + 1, std::numeric_limits<std::uint32_t>::max()));
}

std::uint32_t clampedCount(std::uint64_t needed) {
    return static_cast<std::uint32_t>(
        std::min<std::uint64_t>(needed, std::numeric_limits<std::uint32_t>::max()));
}

} // namespace

StreamPlace PlaceInFreeClusters(const Geometry& geometry, const AllocationBitmap& bitmap,
                                std::uint32_t first, std::uint64_t needed) {
    StreamPlace place;
    place.guessed = true;
    if (!geometry.inHeap(first) || bitmap.empty())
        return place;
    place.runs = volume::FreeClusterRuns<ClusterRun>(
        first, clampedCount(needed), highestCluster(geometry),
        [&](std::uint32_t cluster) { return bitmap.taken(cluster); });
    for (const ClusterRun& run : place.runs)
        place.clusters += run.count;
    place.cutShort = place.clusters < needed;
    return place;
}

StreamPlace PlaceDeletedStream(disk::SectorSource& source, FatTable& fat, const Geometry& geometry,
                               const AllocationBitmap& bitmap, std::string_view name,
                               const FileRef& file) {
    const StreamPlace place = PlaceStream(
        fat, geometry, {file.firstCluster, file.dataLength, file.noFatChain, file.deleted});
    // Only a consecutive guess for a chained file is read around taken clusters.
    if (!file.deleted || file.noFatChain || !place.guessed || place.runs.size() != 1 ||
        bitmap.empty())
        return place;
    const std::uint64_t needed = NeededClusters(file.dataLength, geometry.clusterBytes());
    const auto taken = [&](std::uint32_t cluster) { return bitmap.taken(cluster); };
    if (!volume::ConsecutiveRunMeetsTaken(file.firstCluster, clampedCount(needed),
                                          highestCluster(geometry), taken))
        return place;
    const StreamPlace free = PlaceInFreeClusters(geometry, bitmap, file.firstCluster, needed);
    const std::uint64_t valid = std::min(file.validLength, file.dataLength);
    return volume::FreeReadingWins(source, name, valid, sectorsOf(geometry, place),
                                   sectorsOf(geometry, free))
               ? free
               : place;
}

} // namespace qr::exfat
