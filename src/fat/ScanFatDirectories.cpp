#include "fat/ScanFatDirectories.h"

#include "disk/Sweep.h"
#include "fat/DirectoryEntry.h"
#include "fat/FatKinds.h"

#include <algorithm>
#include <optional>

namespace qr::fat {

namespace {

// The sector reached is reported every this many clusters (and whenever the
// percentage of the volume changes).
constexpr unsigned kPositionTicks = 1000;

} // namespace

std::optional<FoundDirectory> DirectoryHeadOf(disk::ByteView head, std::uint64_t sector,
                                              std::uint64_t cluster, bool fat32) {
    // A head whose "." entry names another cluster is a copy or a later cluster of a
    // directory. The dot entries usually lead; a damaged directory can hold them
    // elsewhere in its first sector.
    const auto dots = head.u8(0) == '.' && isDirectoryHead(head)
                          ? std::optional<DotEntries>(DotEntries{0, kEntrySize})
                          : FindDotEntries(head);
    if (!dots)
        return std::nullopt;
    const disk::ByteView dot = head.sub(dots->dot, kEntrySize);
    if (firstClusterOf(dot, fat32) != cluster)
        return std::nullopt;
    const disk::ByteView parent = head.sub(dots->dotDot, kEntrySize);
    return FoundDirectory{sector,
                          firstClusterOf(dot, fat32),
                          firstClusterOf(parent, fat32),
                          dateOf(dot),
                          timeOf(dot),
                          sizeOf(dot),
                          attributeOf(dot)};
}

void ScanFatDirectories(disk::SectorSource& source, const volume::VolumeParams& volume,
                        std::stop_token stop, volume::SearchProgress& progress,
                        std::uint64_t countedBefore,
                        const std::function<void(const FoundDirectory&)>& found,
                        FatReadCache* cache) {
    const volume::FileSystemKind kind = volume.kind();
    if (!IsFatKind(kind))
        return;
    const bool fat32 = kind == volume::FileSystemKind::Fat32;
    const std::uint64_t end = volume.partitionEnd;
    const std::uint32_t perCluster = volume.sectorsPerCluster;
    if (perCluster == 0)
        return;

    const std::uint64_t first = std::uint64_t{volume.cluster0Start} + 2ull * perCluster;
    std::uint64_t counted = countedBefore;
    unsigned tick = 0;
    std::uint64_t shownPercent = UINT64_MAX;
    disk::SweepOptions options;
    // Whole clusters per batch, so every batch begins on a cluster and holds it whole.
    options.batchSectors =
        std::max<std::uint32_t>(perCluster, options.batchSectors / perCluster * perCluster);
    const std::uint64_t clusterBytes = std::uint64_t{perCluster} * disk::kSectorBytes;
    disk::SweepBatches(
        source, {first, end}, options, stop, [&](std::uint64_t batchFirst, disk::ByteView bytes) {
            for (std::uint64_t offset = 0; offset < bytes.size(); offset += clusterBytes) {
                const std::uint64_t sector = batchFirst + offset / disk::kSectorBytes;
                const disk::ByteView head = bytes.sub(offset, disk::kSectorBytes);
                const std::uint64_t cluster = 2 + (sector - first) / perCluster;
                if (const auto dir = DirectoryHeadOf(head, sector, cluster, fat32)) {
                    found(*dir);
                    progress.counter(volume::SearchCounter::Directories, ++counted);
                    if (cache && bytes.has(offset, clusterBytes))
                        cache->keep(sector, perCluster, bytes.data() + offset);
                }
                const std::uint64_t percent =
                    end == 0 ? 0 : std::min<std::uint64_t>(100, sector * 100 / end);
                if (++tick == kPositionTicks || percent != shownPercent) {
                    tick = 0;
                    shownPercent = percent;
                    progress.position(sector, end);
                }
            }
            return true;
        });
}

} // namespace qr::fat
