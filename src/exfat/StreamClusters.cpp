#include "exfat/StreamClusters.h"

#include <algorithm>
#include <limits>

namespace qr::exfat {

namespace {

void addCluster(StreamPlace& place, std::uint32_t cluster) {
    if (!place.runs.empty()) {
        ClusterRun& last = place.runs.back();
        if (std::uint64_t{last.first} + last.count == cluster) {
            ++last.count;
            ++place.clusters;
            return;
        }
    }
    place.runs.push_back({cluster, 1});
    ++place.clusters;
}

void placeConsecutive(StreamPlace& place, const Geometry& geometry, std::uint32_t first,
                      std::uint64_t needed) {
    const std::uint64_t room = std::uint64_t{geometry.clusterCount} + 2 - first;
    const std::uint64_t count = std::min(needed, room);
    if (count > 0) {
        place.runs.push_back({first, static_cast<std::uint32_t>(count)});
        place.clusters = count;
    }
    place.cutShort = count < needed;
}

} // namespace

std::uint64_t NeededClusters(std::uint64_t length, std::uint64_t clusterBytes) {
    if (clusterBytes == 0)
        return 0;
    return length / clusterBytes + (length % clusterBytes != 0 ? 1 : 0);
}

StreamPlace PlaceStream(FatTable& fat, const Geometry& geometry, const StreamRef& stream) {
    StreamPlace place;
    if (!geometry.inHeap(stream.firstCluster)) {
        place.noData = stream.dataLength != 0;
        return place;
    }
    const bool unknownLength = stream.dataLength == std::numeric_limits<std::uint64_t>::max();
    const bool noFat = geometry.fatSectors == 0;
    // Without a FAT a stream of unknown length (the root) is known in its first cluster.
    const std::uint64_t needed = unknownLength
                                     ? (noFat ? 1 : geometry.clusterCount)
                                     : NeededClusters(stream.dataLength, geometry.clusterBytes());
    if (needed == 0)
        return place;
    if (stream.noFatChain || noFat) {
        placeConsecutive(place, geometry, stream.firstCluster, needed);
        // A chained stream of more than one cluster taken as consecutive is a guess.
        place.guessed = !stream.noFatChain && needed > 1;
        return place;
    }
    // A deleted chain must end exactly where the length does; one cluster more is
    // walked to see that.
    const std::uint64_t cap = stream.deleted && !unknownLength ? needed + 1 : needed;
    const Chain chain = WalkChain(fat, geometry, stream.firstCluster, cap);
    const bool whole = unknownLength || (chain.clusters.size() == needed &&
                                         (!stream.deleted || chain.end == ChainEnd::EndMark));
    if (stream.deleted && !whole) {
        placeConsecutive(place, geometry, stream.firstCluster, needed);
        place.guessed = true;
        return place;
    }
    // A deleted stream whose chain has the clusters it needs is still a guess: the
    // chain may have been handed on to another file.
    place.guessed = stream.deleted;
    for (const std::uint32_t cluster : chain.clusters)
        addCluster(place, cluster);
    place.cutShort = !unknownLength && chain.clusters.size() < needed;
    return place;
}

std::vector<unsigned char> ReadStream(disk::SectorSource& source, const Geometry& geometry,
                                      const StreamPlace& place, std::uint64_t maxBytes) {
    std::vector<unsigned char> bytes;
    const std::uint64_t total = std::min(place.clusters * geometry.clusterBytes(), maxBytes);
    // Whole sectors are read, the last one only in part kept.
    bytes.resize(static_cast<std::size_t>((total + 511) / 512 * 512));
    std::uint64_t at = 0;
    for (const ClusterRun& run : place.runs) {
        std::uint64_t sector = geometry.clusterSector(run.first);
        std::uint64_t sectors = std::uint64_t{run.count} * geometry.sectorsPerCluster;
        while (sectors > 0 && at < total) {
            const std::uint64_t chunk =
                std::min<std::uint64_t>({sectors, 8192, (total - at + 511) / 512});
            if (source.readSectors(sector, static_cast<std::uint32_t>(chunk), bytes.data() + at) ==
                disk::ReadStatus::NoMedium) {
                bytes.resize(static_cast<std::size_t>(at));
                return bytes;
            }
            at += chunk * 512;
            sector += chunk;
            sectors -= chunk;
        }
    }
    bytes.resize(static_cast<std::size_t>(std::min(at, total)));
    return bytes;
}

} // namespace qr::exfat
