#include "exfat/HeapSweep.h"

#include "disk/Sweep.h"
#include "exfat/GeometryFit.h"
#include "exfat/StreamClusters.h"
#include "model/RecordTable.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

namespace qr::exfat {

bool LooksLikeDirectoryCluster(disk::ByteView cluster) {
    // Cheap first: most data clusters fail at their first byte.
    const std::uint8_t first = cluster.u8(0);
    if (first == 0 || !IsDirectoryEntryType(first))
        return false;
    bool setHolds = false;
    for (std::uint64_t at = 0; cluster.has(at, kEntryBytes);) {
        const std::uint8_t type = cluster.u8(at);
        if (type == 0)
            break;
        if (!IsDirectoryEntryType(type))
            return false;
        if ((type | kInUse) == kFileEntry) {
            if (const auto set = DecodeEntrySet(cluster.from(at))) {
                setHolds = true;
                at += std::uint64_t{set->entries} * kEntryBytes;
                continue;
            }
        }
        at += kEntryBytes;
    }
    return setHolds;
}

// Found clusters checked against the geometry; any beyond are kept unchecked.
constexpr std::size_t kMostFitChecks = 4096;

std::uint64_t DropEarlierFolders(disk::SectorSource& source, const Geometry& geometry,
                                 std::vector<std::uint32_t>& found, std::stop_token stop) {
    std::size_t checked = 0;
    const auto before = found.size();
    std::erase_if(found, [&](std::uint32_t cluster) {
        if (checked++ >= kMostFitChecks || stop.stop_requested())
            return false;
        StreamPlace place;
        place.runs.push_back({cluster, 1});
        place.clusters = 1;
        const std::vector<unsigned char> bytes =
            ReadStream(source, geometry, place, geometry.clusterBytes());
        return ClusterContradictsGeometry(source, geometry, {bytes.data(), bytes.size()});
    });
    return before - found.size();
}

std::uint64_t WalkFoundDirectories(DirectoryWalk& walk, const std::vector<std::uint32_t>& found,
                                   const std::unordered_set<std::uint32_t>& named,
                                   std::stop_token stop, bool& stopped) {
    std::uint64_t lost = 0;
    // Tops first; then any found cluster still unreached (those naming each other in a
    // circle, or continuation clusters of a lost directory).
    for (const bool tops : {true, false})
        for (const std::uint32_t cluster : found) {
            if (stop.stop_requested()) {
                stopped = true;
                return lost;
            }
            if (walk.reached(cluster) || (tops && named.count(cluster) != 0))
                continue;
            walk.walkOrphan(cluster, model::kLostFolderKey, stop);
            ++lost;
        }
    return lost;
}

SweepResult SweepHeapForDirectories(disk::SectorSource& source, const Geometry& geometry,
                                    DirectoryWalk& walk, volume::SearchProgress& progress,
                                    std::stop_token stop) {
    SweepResult result;
    const std::uint64_t spc = geometry.sectorsPerCluster;
    if (spc == 0 || geometry.clusterCount == 0)
        return result;
    const disk::SweepRange range{geometry.heapStart,
                                 geometry.heapStart + std::uint64_t{geometry.clusterCount} * spc};
    // Whole clusters per batch: the cluster size is a power of two.
    disk::SweepOptions options;
    options.batchSectors =
        static_cast<std::uint32_t>(std::max<std::uint64_t>(options.batchSectors, spc));
    progress.phase(volume::SearchPhase::DirectoryScan);
    progress.position(range.first, range.end);
    // What the found clusters name as folders, so that a found folder below another
    // found one is walked from its parent and not hung under Lost on its own.
    std::unordered_set<std::uint32_t> named;
    const disk::SweepOutcome outcome = disk::SweepBatches(
        source, range, options, stop, [&](std::uint64_t first, disk::ByteView bytes) {
            for (std::uint64_t offset = 0; bytes.has(offset, spc * 512); offset += spc * 512) {
                const std::uint64_t index = (first - range.first) / spc + offset / (spc * 512);
                const auto cluster = static_cast<std::uint32_t>(index + 2);
                if (walk.reached(cluster))
                    continue;
                const disk::ByteView view = bytes.sub(offset, spc * 512);
                if (!LooksLikeDirectoryCluster(view))
                    continue;
                result.found.push_back(cluster);
                for (const std::uint32_t child : DirectoryWalk::FolderClusters(view))
                    if (child != cluster)
                        named.insert(child);
            }
            progress.position(first + bytes.size() / 512, range.end);
            return true;
        });
    result.stopped = outcome.end == disk::SweepEnd::Stopped;
    result.mediumLost = outcome.end == disk::SweepEnd::MediumLost;
    result.earlierFolders = DropEarlierFolders(source, geometry, result.found, stop);
    bool stopped = false;
    result.lostFolders = WalkFoundDirectories(walk, result.found, named, stop, stopped);
    result.stopped = result.stopped || stopped;
    return result;
}

} // namespace qr::exfat
