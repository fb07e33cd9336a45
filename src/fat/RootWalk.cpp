#include "fat/RootWalk.h"

#include "fat/DirectoryHeadReader.h"
#include "fat/FatEngine.h"
#include "fat/FatExtractClusters.h"

#include <array>
#include <deque>
#include <unordered_set>

namespace qr::fat {

std::uint64_t WalkFatFromRoot(const FatVolume& volume, std::stop_token stop,
                              const std::function<void(const FoundDirectory&)>& found) {
    const std::uint32_t perCluster = volume.geometry.sectorsPerCluster;
    if (!volume.isFat() || !volume.source || perCluster == 0)
        return 0;
    const std::uint32_t highest = HighestCluster(volume);
    FatEngine engine(volume, volume.geometry.kind());
    std::unordered_set<std::uint32_t> taken{0};
    std::deque<std::uint32_t> pending{0};
    std::array<unsigned char, disk::kSectorBytes> head{};
    DirectoryHeadReader heads(volume);
    std::uint64_t count = 0;
    while (!pending.empty() && !stop.stop_requested()) {
        const std::uint32_t directory = pending.front();
        pending.pop_front();
        engine.listEntries(directory, [&](const volume::FolderFile& entry) {
            if (stop.stop_requested())
                return false;
            if (!(entry.flags & volume::VolumeEngine::kFolderFlag) || entry.location < 2 ||
                entry.location > highest)
                return true;
            const auto cluster = static_cast<std::uint32_t>(entry.location);
            if (taken.count(cluster))
                return true; // "." and "..", a folder named twice, a circle
            const std::uint64_t sector =
                volume.geometry.cluster0Start + std::uint64_t{cluster} * perCluster;
            if (sector > volume.partitionEnd || !heads.read(cluster, head.data()))
                return true;
            const auto dir = DirectoryHeadOf(disk::ByteView(head.data(), head.size()), sector,
                                             cluster, volume.fat32());
            if (!dir)
                return true; // the cluster went to other data: the sweep will not see it
            taken.insert(cluster);
            found(*dir);
            ++count;
            pending.push_back(cluster);
            return true;
        });
    }
    return count;
}

} // namespace qr::fat
