#include "fat/ScanFatDirectories.h"

#include "app/RecoveryContext.h"
#include "disk/SectorReader.h"
#include "fat/DirectoryEntry.h"

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>

namespace qr::fat {

namespace {

// Bytes read per request: the first sector of each cluster is taken out of the batch.
constexpr std::uint64_t kScanBatchBytes = 4u << 20;
// The sector caption is rewritten every this many clusters.
constexpr unsigned kCaptionTicks = 1000;

std::string sectorCaption(std::uint64_t sector, std::uint64_t end) {
    return "Sector  " + std::to_string(static_cast<std::uint32_t>(sector)) + " / " +
           std::to_string(static_cast<std::uint32_t>(end));
}

void writeLostRow(model::RecordTable& table) {
    using namespace model::folder_col;
    const int row = table.insertRow(0, "Lost");
    table.setCell(row, Sector, "0");
    table.setNumber(row, Self, model::kLostFolderKey);
    table.setCell(row, Parent, "0");
    table.setCell(row, Date, "0");
    table.setCell(row, Time, "0");
    table.setCell(row, Size, "0");
    table.setCell(row, Attr, "16");
    table.setCell(row, SysId, "0");
    table.setCell(row, Type, "FOLDER");
}

void writeFolderRow(model::RecordTable& table, std::uint32_t found, std::uint64_t sector,
                    const unsigned char* head, bool fat32) {
    using namespace model::folder_col;
    const int row = table.appendRow("Dir" + std::to_string(found));
    table.setNumber(row, Sector, static_cast<std::uint32_t>(sector));
    table.setNumber(row, Self, firstClusterOf(head, fat32));
    table.setNumber(row, Parent, firstClusterOf(head + kEntrySize, fat32));
    table.setNumber(row, Date, dateOf(head));
    table.setNumber(row, Time, timeOf(head));
    table.setNumber(row, Size, sizeOf(head));
    table.setNumber(row, Attr, attributeOf(head));
    table.setCell(row, SysId, "0");
    table.setCell(row, Type, "FOLDER");
}

} // namespace

void ScanFatDirectories(app::RecoveryContext& context, std::stop_token stop) {
    const volume::VolumeParams& volume = context.volumeParams;
    const bool fat32 = volume.fileSystemName == "FAT32";
    if (!fat32 && volume.fileSystemName != "FAT16")
        return;
    app::WindowItems& window = context.window();
    model::RecordTable& table = context.tables.folderTable;
    const std::uint64_t end = volume.partitionEnd;

    window.setItemText(app::item::kDirectoriesFound, "0");
    window.setItemText(app::item::kBootSectorsFound, "");
    window.setItemText(app::item::kProgressCaption, sectorCaption(0, end));
    writeLostRow(table);
    window.setItemText(app::item::kDirectoriesFound, "1");

    const std::uint64_t perCluster = volume.sectorsPerCluster;
    if (perCluster == 0 || !context.reader)
        return;
    const std::uint64_t clustersPerBatch =
        std::max<std::uint64_t>(1, kScanBatchBytes / (perCluster * disk::kSectorSize));
    // The last cluster of a batch needs only its first sector.
    const std::uint64_t batchSectors = (clustersPerBatch - 1) * perCluster + 1;
    std::unique_ptr<unsigned char, decltype(&std::free)> buffer(
        static_cast<unsigned char*>(
            std::aligned_alloc(4096, (batchSectors * disk::kSectorSize + 4095) / 4096 * 4096)),
        &std::free);
    if (!buffer)
        return;

    // Behind the end of the medium every sector reads as zeros, which is never a
    // directory head: a volume end beyond it (a damaged partition table) is not swept.
    std::uint64_t sweepEnd = end;
    if (const std::uint64_t medium = context.reader->mediumSectors(); medium > 0)
        sweepEnd = std::min(sweepEnd, medium);

    std::uint64_t sector = std::uint64_t{volume.cluster0Start} + 2 * perCluster;
    std::uint32_t cluster = 2;
    std::uint32_t found = 1;
    unsigned tick = 0;
    int shownPercent = -1;
    while (sector < sweepEnd && !stop.stop_requested()) {
        const std::uint64_t clusters =
            std::min(clustersPerBatch, (sweepEnd - sector + perCluster - 1) / perCluster);
        const auto count = static_cast<std::uint32_t>((clusters - 1) * perCluster + 1);
        context.reader->read(sector, count, buffer.get());
        for (std::uint64_t i = 0; i < clusters; ++i, sector += perCluster, ++cluster) {
            if (++tick == kCaptionTicks) {
                window.setItemText(app::item::kProgressCaption, sectorCaption(sector, end));
                tick = 0;
            }
            const unsigned char* head = buffer.get() + i * perCluster * disk::kSectorSize;
            if (isDirectoryHead(head)) {
                // A head whose "." entry names another cluster is a copy or a later
                // cluster of a directory.
                if (firstClusterOf(head, fat32) != cluster)
                    continue;
                writeFolderRow(table, found, sector, head, fat32);
                ++found;
                window.setItemText(app::item::kDirectoriesFound, std::to_string(found));
            }
            const int percent = static_cast<int>(std::min<std::uint64_t>(100, sector * 100 / end));
            if (percent != shownPercent) {
                shownPercent = percent;
                window.setProgress(app::item::kProgressBar, percent);
                window.setItemText(app::item::kProgressBar,
                                   std::to_string(percent) + " % Completed");
            }
        }
    }
}

} // namespace qr::fat
