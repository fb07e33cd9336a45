#include "ntfs/ClusterRead.h"

#include "ntfs/RunList.h"

#include <algorithm>
#include <cstring>

namespace qr::ntfs {

std::uint64_t ClustersInside(const NtfsGeometry& geometry, std::uint64_t mediumSectors,
                             std::uint64_t cluster, std::uint64_t count) {
    const std::uint64_t spc = geometry.sectorsPerCluster;
    const std::uint64_t clusters = geometry.clusterCount();
    if (cluster >= clusters || spc == 0)
        return 0;
    const std::uint64_t first = geometry.volumeStart + cluster * spc;
    if (first >= mediumSectors)
        return 0;
    return std::min({count, clusters - cluster, (mediumSectors - first) / spc});
}

ClusterRead ReadClusters(disk::SectorSource& source, const NtfsGeometry& geometry,
                         std::uint64_t mediumSectors, std::uint64_t cluster, std::uint64_t count,
                         unsigned char* buffer) {
    ClusterRead result;
    const std::uint64_t spc = geometry.sectorsPerCluster;
    const std::uint64_t clusterBytes = spc * disk::kSectorBytes;
    std::memset(buffer, 0, count * clusterBytes);
    const std::uint64_t inside = ClustersInside(geometry, mediumSectors, cluster, count);
    if (inside == 0)
        return result;
    const std::uint64_t first = geometry.volumeStart + cluster * spc;
    result.inside = inside;
    // Reads of at most 4 MiB each, so a caller's large span never asks for more.
    constexpr std::uint64_t kMaxSectors = 8192;
    std::uint64_t done = 0;
    const std::uint64_t sectors = inside * spc;
    while (done < sectors) {
        const auto n = static_cast<std::uint32_t>(std::min(kMaxSectors, sectors - done));
        const disk::ReadStatus status =
            source.readSectors(first + done, n, buffer + done * disk::kSectorBytes);
        if (status == disk::ReadStatus::NoMedium) {
            result.noMedium = true;
            result.inside = done / spc;
            return result;
        }
        if (status == disk::ReadStatus::Partial)
            result.unreadable = true;
        done += n;
    }
    return result;
}

std::vector<unsigned char> ReadNonResidentValue(disk::SectorSource& source,
                                                const NtfsGeometry& geometry,
                                                const Attribute& attribute,
                                                std::uint64_t maxBytes) {
    std::vector<unsigned char> value;
    const std::uint64_t size = std::min(attribute.realSize(), maxBytes);
    const std::uint64_t clusterBytes = std::uint64_t{geometry.sectorsPerCluster} * 512;
    if (size == 0 || clusterBytes == 0)
        return value;
    value.assign(size, 0);
    const std::uint64_t mediumSectors = source.sectorCount();
    std::vector<unsigned char> buffer;
    for (const DataRun& run : DecodeRunList(attribute.runList(), 0).runs) {
        const std::uint64_t from = run.vcn * clusterBytes;
        if (run.vcn >= size / clusterBytes + 1 || from >= size)
            break;
        const std::uint64_t clusters =
            std::min(run.length, (size - from + clusterBytes - 1) / clusterBytes);
        if (run.sparse())
            continue;
        buffer.resize(clusters * clusterBytes);
        ReadClusters(source, geometry, mediumSectors, static_cast<std::uint64_t>(run.cluster),
                     clusters, buffer.data());
        std::memcpy(value.data() + from, buffer.data(), std::min(size - from, buffer.size()));
    }
    return value;
}

} // namespace qr::ntfs
