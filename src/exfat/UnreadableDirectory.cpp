#include "exfat/UnreadableDirectory.h"

#include "exfat/StreamClusters.h"

#include <algorithm>
#include <limits>
#include <vector>

namespace qr::exfat {

namespace {

constexpr std::uint64_t kCheckedSectors = (4ull << 20) / disk::kSectorBytes;
constexpr std::uint32_t kPieceSectors = 64;

} // namespace

bool DirectoryUnreadable(disk::SectorSource& source, const Geometry& geometry, FatTable& fat,
                         std::uint32_t firstCluster) {
    if (!geometry.inHeap(firstCluster))
        return false;
    const StreamPlace place = PlaceStream(
        fat, geometry, {firstCluster, std::numeric_limits<std::uint64_t>::max(), false, false});
    std::vector<unsigned char> piece(std::size_t{kPieceSectors} * disk::kSectorBytes);
    std::uint64_t checked = 0;
    for (const ClusterRun& run : place.runs) {
        const std::uint64_t start = geometry.clusterSector(run.first);
        const std::uint64_t sectors = std::uint64_t{run.count} * geometry.sectorsPerCluster;
        for (std::uint64_t done = 0; done < sectors && checked < kCheckedSectors;) {
            const auto count =
                static_cast<std::uint32_t>(std::min<std::uint64_t>(kPieceSectors, sectors - done));
            if (source.readSectors(start + done, count, piece.data()) == disk::ReadStatus::Partial)
                return true;
            done += count;
            checked += count;
        }
    }
    return false;
}

} // namespace qr::exfat
