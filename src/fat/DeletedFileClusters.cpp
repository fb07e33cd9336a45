#include "fat/DeletedFileClusters.h"

#include "fat/FatChains.h"
#include "volume/FreeClusterReading.h"

namespace qr::fat {

namespace {

// A nonzero entry (the top four bits of a FAT32 entry are reserved) is a taken cluster;
// an entry that cannot be read is taken as free.
auto takenBy(FatEntryReader& fat) {
    return [&fat](std::uint32_t cluster) {
        std::uint32_t value = 0;
        return fat.entry(cluster, value) && (value & 0x0FFFFFFFu) != 0;
    };
}

std::vector<volume::SectorRun> sectorsOf(const FatVolume& volume,
                                         const std::vector<ClusterRun>& runs) {
    const ActiveGeometry& g = volume.geometry;
    std::vector<volume::SectorRun> sectors;
    for (const ClusterRun& run : runs)
        sectors.push_back({g.cluster0Start + std::uint64_t{run.first} * g.sectorsPerCluster,
                           std::uint64_t{run.count} * g.sectorsPerCluster});
    return sectors;
}

} // namespace

std::vector<ClusterRun> FreeClustersFrom(const FatVolume& volume, std::uint32_t first,
                                         std::uint32_t needed) {
    if (volume.geometry.firstFat == 0 || !volume.isFat())
        return {};
    FatEntryReader fat(volume, volume.fat32(), volume.geometry.firstFat);
    return volume::FreeClusterRuns<ClusterRun>(first, needed, HighestCluster(volume), takenBy(fat));
}

FileClusters ChooseDeletedFileClusters(const FatVolume& volume, std::string_view name,
                                       std::uint64_t size, std::uint32_t first,
                                       std::uint32_t needed, volume::ClusterSource source) {
    FileClusters chosen = ChooseFileClusters(volume, first, needed, source);
    if (chosen.fromChain || source != volume::ClusterSource::Automatic || !volume.source ||
        volume.geometry.firstFat == 0 || !volume.isFat())
        return chosen;
    FatEntryReader fat(volume, volume.fat32(), volume.geometry.firstFat);
    if (!volume::ConsecutiveRunMeetsTaken(first, needed, HighestCluster(volume), takenBy(fat)))
        return chosen;
    FileClusters free;
    free.runs = FreeClustersFrom(volume, first, needed);
    std::uint64_t held = 0;
    for (const ClusterRun& run : free.runs)
        held += run.count;
    free.cutShort = held < needed;
    free.aroundTaken = true;
    if (volume::FreeReadingWins(*volume.source, name, size, sectorsOf(volume, chosen.runs),
                                sectorsOf(volume, free.runs)))
        return free;
    return chosen;
}

} // namespace qr::fat
