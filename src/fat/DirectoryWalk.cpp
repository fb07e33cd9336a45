#include "fat/DirectoryWalk.h"

#include "app/RecoveryContext.h"
#include "disk/SectorReader.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace qr::fat {

namespace {

// Sectors read per request while walking a directory.
constexpr std::uint64_t kWalkBatchSectors = 2048;
// The FAT16 root area holds at most 65535 entries (its count is a 16-bit field).
constexpr std::uint64_t kMaxRootSectors = 4096;

} // namespace

std::vector<DirectoryExtent> ChainExtents(const app::RecoveryContext& context,
                                          const ClusterChain& chain) {
    const ActiveGeometry& g = context.activeGeometry;
    std::vector<DirectoryExtent> extents;
    extents.reserve(chain.size());
    for (std::uint32_t cluster : chain)
        extents.push_back(
            {std::uint64_t{g.cluster0Start} + std::uint64_t{cluster} * g.sectorsPerCluster,
             g.sectorsPerCluster});
    return extents;
}

std::vector<DirectoryExtent> RootDirectoryExtents(app::RecoveryContext& context, bool fat32) {
    const ActiveGeometry& g = context.activeGeometry;
    if (fat32)
        return ChainExtents(context, BuildDirectoryChain(context, g.rootStart));
    return {{g.rootStart, std::min<std::uint64_t>(g.rootSectors, kMaxRootSectors)}};
}

std::vector<DirectoryExtent> DirectoryExtentsOf(app::RecoveryContext& context, std::uint32_t key,
                                                bool* fixedRootArea) {
    const ActiveGeometry& g = context.activeGeometry;
    if (fixedRootArea)
        *fixedRootArea = false;
    const bool fat32 = g.fileSystemName == "FAT32";
    if (!fat32 && g.fileSystemName != "FAT16")
        return {};
    if (key == 0) {
        if (fixedRootArea)
            *fixedRootArea = !fat32;
        return RootDirectoryExtents(context, fat32);
    }
    return ChainExtents(context, BuildDirectoryChain(context, key));
}

void WalkDirectory(app::RecoveryContext& context, const std::vector<DirectoryExtent>& extents,
                   EndMarkerStops endMarker, const EntryVisitor& visit,
                   const std::function<bool(const unsigned char*)>& keepEntry) {
    if (!context.reader)
        return;
    // Sized for the largest extent (usually one cluster), at most one batch.
    std::uint64_t largest = 0;
    for (const DirectoryExtent& extent : extents)
        largest = std::max(largest, extent.count);
    if (largest == 0)
        return;
    const std::size_t bytes = std::min(largest, kWalkBatchSectors) * disk::kSectorSize;
    std::unique_ptr<unsigned char, decltype(&std::free)> buffer(
        static_cast<unsigned char*>(std::aligned_alloc(4096, (bytes + 4095) / 4096 * 4096)),
        &std::free);
    if (!buffer)
        return;
    NamedEntry named;
    for (const DirectoryExtent& extent : extents) {
        for (std::uint64_t done = 0; done < extent.count;) {
            const std::uint64_t first = extent.firstSector + done;
            const auto count =
                static_cast<std::uint32_t>(std::min(kWalkBatchSectors, extent.count - done));
            std::memset(buffer.get(), 0, std::size_t{count} * disk::kSectorSize);
            context.reader->read(first, count, buffer.get());
            const SectorSource source{context.reader.get(), buffer.get(), first, count};
            for (std::uint32_t s = 0; s < count; ++s) {
                const unsigned char* sector = buffer.get() + std::size_t{s} * disk::kSectorSize;
                for (std::size_t offset = 0; offset < disk::kSectorSize; offset += kEntrySize) {
                    const unsigned char* entry = sector + offset;
                    if (entry[0] == 0) {
                        if (endMarker == EndMarkerStops::Directory)
                            return;
                        break;
                    }
                    if (keepEntry && !keepEntry(entry))
                        continue;
                    EntryName name = EntryNameOf(sector, offset, first + s, source);
                    if (name.verdict != EntryVerdict::Accept)
                        continue;
                    std::memcpy(named.raw.data(), entry, kEntrySize);
                    named.name = std::move(name.name);
                    named.deleted = name.deleted;
                    named.sector = first + s;
                    named.offset = offset;
                    if (!visit(named))
                        return;
                }
            }
            done += count;
        }
    }
}

} // namespace qr::fat
