#include "fat/DirectoryWalk.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace qr::fat {

namespace {

// Sectors read per request while walking a directory.
constexpr std::uint64_t kWalkBatchSectors = 2048;
// The FAT16 root area holds at most 65535 entries (its count is a 16-bit field).
constexpr std::uint64_t kMaxRootSectors = 4096;

} // namespace

std::vector<DirectoryExtent> ChainExtents(const FatVolume& volume, const ClusterChain& chain) {
    const ActiveGeometry& g = volume.geometry;
    std::vector<DirectoryExtent> extents;
    extents.reserve(chain.size());
    for (std::uint32_t cluster : chain)
        extents.push_back(
            {std::uint64_t{g.cluster0Start} + std::uint64_t{cluster} * g.sectorsPerCluster,
             g.sectorsPerCluster});
    return extents;
}

std::vector<DirectoryExtent> RootDirectoryExtents(const FatVolume& volume) {
    const ActiveGeometry& g = volume.geometry;
    if (volume.fat32())
        return ChainExtents(volume, BuildDirectoryChain(volume, g.rootStart));
    return {{g.rootStart, std::min<std::uint64_t>(g.rootSectors, kMaxRootSectors)}};
}

std::vector<DirectoryExtent> DirectoryExtentsOf(const FatVolume& volume, std::uint32_t key,
                                                bool* fixedRootArea) {
    if (fixedRootArea)
        *fixedRootArea = false;
    if (!volume.isFat())
        return {};
    if (key == 0) {
        if (fixedRootArea)
            *fixedRootArea = !volume.fat32();
        return RootDirectoryExtents(volume);
    }
    return ChainExtents(volume, BuildDirectoryChain(volume, key));
}

bool WalkDirectory(const FatVolume& volume, const std::vector<DirectoryExtent>& extents,
                   EndMarkerStops endMarker, const EntryVisitor& visit,
                   const std::function<bool(disk::ByteView)>& keepEntry) {
    if (!volume.source)
        return false;
    // Sized for the largest extent (usually one cluster), at most one batch.
    std::uint64_t largest = 0;
    for (const DirectoryExtent& extent : extents)
        largest = std::max(largest, extent.count);
    if (largest == 0)
        return true;
    bool allRead = true;
    // Not cleared: every sector the walk looks at is written by the read.
    const auto buffer = std::make_unique_for_overwrite<unsigned char[]>(
        std::min(largest, kWalkBatchSectors) * disk::kSectorBytes);
    NamedEntry named;
    for (const DirectoryExtent& extent : extents) {
        for (std::uint64_t done = 0; done < extent.count;) {
            const std::uint64_t first = extent.firstSector + done;
            const auto count =
                static_cast<std::uint32_t>(std::min(kWalkBatchSectors, extent.count - done));
            std::size_t written = 0;
            if (!volume.read(first, count, buffer.get(), &written))
                allRead = false;
            const disk::ByteView run(buffer.get(), written);
            const LookbackSource source{&volume, run, first};
            // Sectors behind the written ones are zeros: an end marker in each.
            const auto withData = static_cast<std::uint32_t>(written / disk::kSectorBytes);
            for (std::uint32_t s = 0; s < withData; ++s) {
                const disk::ByteView sector =
                    run.sub(std::uint64_t{s} * disk::kSectorBytes, disk::kSectorBytes);
                for (std::size_t offset = 0; offset < disk::kSectorBytes; offset += kEntrySize) {
                    const disk::ByteView entry = sector.sub(offset, kEntrySize);
                    if (entry.u8(0) == 0) {
                        if (endMarker == EndMarkerStops::Directory)
                            return allRead;
                        break;
                    }
                    if (keepEntry && !keepEntry(entry))
                        continue;
                    EntryName name = EntryNameOf(sector, offset, first + s, source);
                    if (name.verdict != EntryVerdict::Accept)
                        continue;
                    std::memcpy(named.raw.data(), entry.data(), kEntrySize);
                    named.name = std::move(name.name);
                    named.deleted = name.deleted;
                    named.sector = first + s;
                    named.offset = offset;
                    if (!visit(named))
                        return allRead;
                }
            }
            if (withData < count && endMarker == EndMarkerStops::Directory)
                return allRead;
            done += count;
        }
    }
    return allRead;
}

} // namespace qr::fat
