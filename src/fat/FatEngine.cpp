#include "fat/FatEngine.h"

#include "volume/RunWriter.h"

#include "disk/UnreadableSectors.h"
#include "fat/DeletedFileClusters.h"
#include "fat/DirectoryWalk.h"
#include "fat/FatChains.h"
#include "fat/FatExtractClusters.h"
#include "volume/DateFormats.h"
#include "volume/EntryTimes.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace qr::fat {

namespace {

// Reads of file data go in batches of up to 1 MiB of consecutive sectors.
constexpr std::uint32_t kBatchSectors = 2048;

// Takes the entry's name.
volume::FolderFile fileOf(NamedEntry& named, bool fat32, bool folderDeleted) {
    const disk::ByteView entry = named.entry();
    volume::FolderFile file;
    file.name = std::move(named.name);
    file.size = sizeOf(entry);
    file.validLength = file.size;
    file.deleted = named.deleted || folderDeleted;
    file.stamp.date = dateOf(entry);
    file.stamp.time = timeOf(entry);
    file.location = firstClusterOf(entry, fat32);
    if ((attributeOf(entry) & kAttrDirectory) != 0)
        file.flags = volume::VolumeEngine::kFolderFlag;
    return file;
}

} // namespace

void FatEngine::listFiles(std::uint32_t key, bool folderDeleted,
                          const std::function<bool(const volume::FolderFile&)>& visit) {
    bool fixedRoot = false;
    const std::vector<DirectoryExtent> extents = DirectoryExtentsOf(volume_, key, &fixedRoot);
    const bool fat32 = volume_.fat32();
    directoryUnreadable_ = !WalkDirectory(
        volume_, extents, fixedRoot ? EndMarkerStops::Sector : EndMarkerStops::Directory,
        [&](NamedEntry& named) { return visit(fileOf(named, fat32, folderDeleted)); },
        [](disk::ByteView entry) { return (attributeOf(entry) & kAttrDirectory) == 0; });
}

void FatEngine::listEntries(std::uint32_t key,
                            const std::function<bool(const volume::FolderFile&)>& visit) {
    if (!volume_.isFat())
        return;
    const bool fat32 = volume_.fat32();
    const auto each = [&](NamedEntry& named) { return visit(fileOf(named, fat32, false)); };
    if (key == 0) {
        WalkDirectory(volume_, RootDirectoryExtents(volume_), EndMarkerStops::Sector, each);
        return;
    }
    ClusterChain chain = BuildDirectoryChain(volume_, key);
    WalkDirectory(volume_, ChainExtents(volume_, chain), EndMarkerStops::Directory, each);
}

std::uint64_t FatEngine::largestFile() const {
    const std::uint64_t clusterBytes =
        std::uint64_t{volume_.geometry.sectorsPerCluster} * disk::kSectorBytes;
    const std::uint32_t highest = HighestCluster(volume_);
    return highest < 2 ? 0 : (std::uint64_t{highest} - 1) * clusterBytes;
}

FileClusters FatEngine::clustersOf(const volume::FolderFile& file, std::uint64_t size,
                                   std::uint32_t needed, volume::ClusterSource source) const {
    const auto first = static_cast<std::uint32_t>(file.location);
    if (!file.deleted)
        return ChooseFileClusters(volume_, first, needed, source);
    return ChooseDeletedFileClusters(volume_, file.name, size, first, needed, source);
}

volume::ExtractReport FatEngine::extract(const volume::FolderFile& file, volume::FileSink& sink,
                                         const volume::ExtractOptions& options) {
    volume::ExtractReport report;
    const ActiveGeometry& g = volume_.geometry;
    // A size beyond the data area comes from a damaged entry: only the data area is
    // written, and the file is reported cut short.
    const std::uint64_t limit = largestFile();
    const std::uint64_t size = std::min(file.size, limit);
    const std::uint64_t clusterBytes = std::uint64_t{g.sectorsPerCluster} * disk::kSectorBytes;
    const std::uint32_t needed = NeededClusters(size, clusterBytes);
    const std::uint64_t first = file.location;
    if (file.size > 0 && (clusterBytes == 0 || first < 2 || first > HighestCluster(volume_))) {
        report.end = volume::ExtractEnd::NoData;
        report.why = "first cluster " + std::to_string(first) +
                     " lies outside the data area; nothing written";
        return report;
    }
    if (!volume_.source) {
        report.end = volume::ExtractEnd::NoData;
        report.why = "no medium";
        return report;
    }
    const FileClusters clusters = clustersOf(file, size, needed, options.clusters);
    volume::RunWriter writer(*volume_.source, sink, size);
    writer.report().uncertain = !clusters.fromChain && needed > 1;
    for (const ClusterRun& run : clusters.runs)
        if (!writer.sectors(g.cluster0Start + std::uint64_t{run.first} * g.sectorsPerCluster,
                            std::uint64_t{run.count} * g.sectorsPerCluster))
            break;
    report = writer.finish();
    if (report.end != volume::ExtractEnd::Complete)
        return report;
    const std::uint64_t remaining = writer.left();
    if (size < file.size) {
        report.end = volume::ExtractEnd::Truncated;
        report.why = "the entry gives " + std::to_string(file.size) +
                     " bytes, more than the volume's data area of " + std::to_string(limit) + "; " +
                     std::to_string(size - remaining) + " bytes written";
    } else if (remaining > 0) {
        report.end = volume::ExtractEnd::Truncated;
        report.why = "clusters run out of the volume; " + std::to_string(size - remaining) +
                     " of " + std::to_string(size) + " bytes written";
    }
    return report;
}

std::string FatEngine::formatDate(const volume::EntryTimestamp& stamp) const {
    return volume::FormatFatDate(static_cast<std::uint16_t>(stamp.date));
}

std::string FatEngine::formatTime(const volume::EntryTimestamp& stamp) const {
    return volume::FormatFatTime(static_cast<std::uint16_t>(stamp.time));
}

bool FatEngine::calendarDate(const volume::EntryTimestamp& stamp,
                             volume::CalendarDate& date) const {
    const auto d = static_cast<std::uint16_t>(stamp.date);
    date.year = (d >> 9) + 1980u;
    date.month = (d >> 5) & 0x0Fu;
    date.day = d & 0x1Fu;
    return true;
}

volume::Recoverability FatEngine::recoverability(const volume::FolderFile& file) {
    const ActiveGeometry& g = volume_.geometry;
    const std::uint64_t clusterBytes = std::uint64_t{g.sectorsPerCluster} * disk::kSectorBytes;
    if (file.size == 0)
        return volume::Recoverability::Intact;
    const std::uint64_t first = file.location;
    if (clusterBytes == 0 || first < 2 || first > HighestCluster(volume_))
        return volume::Recoverability::Unknown;
    const std::uint64_t size = std::min(file.size, largestFile());
    const std::uint32_t needed = NeededClusters(size, clusterBytes);
    const FileClusters clusters = clustersOf(file, size, needed, volume::ClusterSource::Automatic);
    volume::ClusterTally tally;
    FatEntryReader fat(volume_, volume_.fat32(), g.firstFat);
    for (const ClusterRun& run : clusters.runs)
        for (std::uint32_t i = 0; i < run.count; ++i) {
            std::uint32_t value = 0;
            fat.entry(run.first + i, value);
            tally.total += 1;
            tally.taken += value != 0 ? 1 : 0;
        }
    tally.missing = needed > tally.total ? needed - tally.total : 0;
    unsigned char head[disk::kSectorBytes] = {};
    if (!volume_.read(g.cluster0Start + first * g.sectorsPerCluster, 1, head))
        return volume::JudgeRecoverability(tally, volume::ContentVerdict::Unknown);
    const auto length = static_cast<std::size_t>(std::min<std::uint64_t>(file.size, sizeof head));
    return volume::JudgeRecoverability(
        tally, volume::CheckContent(file.name, disk::ByteView(head, length)));
}

std::optional<std::int64_t> FatEngine::modificationTime(const volume::FolderFile& file) {
    return volume::FatLocalTime(static_cast<std::uint16_t>(file.stamp.date),
                                static_cast<std::uint16_t>(file.stamp.time));
}

} // namespace qr::fat
