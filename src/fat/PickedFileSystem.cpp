#include "fat/PickedFileSystem.h"

#include "disk/Sweep.h"
#include "model/RecordTable.h"

#include <algorithm>
#include <string>
#include <vector>

namespace qr::fat {

namespace {

using namespace model;

// How far in front of cluster 0 the allocation tables are looked for.
constexpr std::uint32_t kFat16Window = 550;
constexpr std::uint32_t kFat32Window = 30000;
// The largest FAT32 table: 2^28 entries of 4 bytes.
constexpr std::uint64_t kMostFat32Sectors = (1ull << 28) * 4 / 512;
// Sectors read per step of the search below the data area.
constexpr std::uint32_t kBackwardBatch = 2048;

bool isFatStart(disk::ByteView sector) {
    return sector.u8(0) == 0xF8 && sector.u8(1) == 0xFF && sector.u8(2) == 0xFF;
}

// A FAT16 volume whose row has no root-directory size gets the usual 512 entries.
constexpr std::uint32_t kDefaultRootSectors = 32;
// FAT32's root directory usually begins at cluster 2.
constexpr std::uint32_t kDefaultRootCluster = 2;

} // namespace

int CopyDirectoryHeads(const RecordTable& dirClusters, std::uint32_t number,
                       RecordTable& folderTable) {
    int copied = 0;
    for (int i = 0; i < dirClusters.rowCount(); ++i) {
        if (dirClusters.number(i, dircluster_col::FileSystem) != number)
            continue;
        const int row = folderTable.insertRow(copied, "DIR" + std::to_string(copied));
        folderTable.setCell(row, folder_col::Sector, dirClusters.cell(i, dircluster_col::Sector));
        folderTable.setCell(row, folder_col::Self,
                            dirClusters.cell(i, dircluster_col::SelfCluster));
        folderTable.setCell(row, folder_col::Parent,
                            dirClusters.cell(i, dircluster_col::ParentCluster));
        folderTable.setCell(row, folder_col::Date, dirClusters.cell(i, dircluster_col::Date));
        folderTable.setCell(row, folder_col::Time, dirClusters.cell(i, dircluster_col::Time));
        folderTable.setCell(row, folder_col::Size, "0");
        folderTable.setCell(row, folder_col::Attr, "16");
        folderTable.setCell(row, folder_col::Type, "FOLDER");
        ++copied;
    }
    return copied;
}

FatStarts FindFatStarts(disk::SectorSource& source, std::uint32_t cluster0Start,
                        volume::FileSystemKind kind, std::stop_token stop) {
    FatStarts starts;
    std::uint32_t window = 0;
    if (kind == volume::FileSystemKind::Fat16)
        window = kFat16Window;
    else if (kind == volume::FileSystemKind::Fat32)
        window = kFat32Window;
    else
        return starts;
    const std::uint64_t first = cluster0Start > window ? cluster0Start - window : 1;
    disk::SweepSectors(source, {first, cluster0Start}, 1, {}, stop,
                       [&](std::uint64_t sector, disk::ByteView bytes) {
                           if (!isFatStart(bytes))
                               return true;
                           const auto at = static_cast<std::uint32_t>(sector);
                           if (++starts.found == 1) {
                               starts.first = at;
                               return true;
                           }
                           starts.second = at;
                           return false;
                       });
    return starts;
}

FatStarts FindFat32StartsBelowData(disk::SectorSource& source, std::uint32_t cluster0Start,
                                   std::uint32_t sectorsPerCluster, std::stop_token stop) {
    const std::uint64_t data = std::uint64_t{cluster0Start} + 2ull * sectorsPerCluster;
    const std::uint64_t lowest = data > kMostFat32Sectors + 1 ? data - kMostFat32Sectors : 1;
    // True when `sector` begins like an allocation table.
    auto startsTable = [&](std::uint64_t sector) {
        bool yes = false;
        disk::SweepOptions one;
        one.batchSectors = 1;
        disk::SweepBatches(source, {sector, sector + 1}, one, stop,
                           [&](std::uint64_t, disk::ByteView bytes) {
                               yes = isFatStart(bytes);
                               return false;
                           });
        return yes;
    };
    // Candidates for the second table's start, nearest first; a sector inside the
    // table that happens to begin like one is passed over when the first table is
    // not where it would then lie.
    std::vector<std::uint64_t> candidates;
    for (std::uint64_t end = data; end > lowest && !stop.stop_requested();) {
        const std::uint64_t begin = end - std::min<std::uint64_t>(kBackwardBatch, end - lowest);
        disk::SweepOptions options;
        options.batchSectors = static_cast<std::uint32_t>(end - begin);
        candidates.clear();
        disk::SweepBatches(source, {begin, end}, options, stop,
                           [&](std::uint64_t first, disk::ByteView bytes) {
                               for (std::uint64_t i = bytes.size() / disk::kSectorBytes; i-- > 0;)
                                   if (isFatStart(bytes.sub(i * disk::kSectorBytes, 3)))
                                       candidates.push_back(first + i);
                               return true;
                           });
        for (const std::uint64_t second : candidates) {
            const std::uint64_t perFat = data - second;
            if (second > perFat && startsTable(second - perFat))
                return {2, static_cast<std::uint32_t>(second - perFat),
                        static_cast<std::uint32_t>(second)};
        }
        end = begin;
    }
    return {};
}

ActiveGeometry LoadPickedFileSystem(disk::SectorSource& source, RecordTable& fileSystems,
                                    std::uint32_t number, std::stop_token stop) {
    ActiveGeometry geometry;
    const int row = static_cast<int>(number) - 1;
    if (number == 0 || row >= fileSystems.rowCount())
        return geometry;
    using namespace boot_col;
    geometry.cluster0Start = fileSystems.number(row, Cluster0Start);
    geometry.fileSystemName = fileSystems.cell(row, PartType);
    const volume::FileSystemKind kind = volume::FileSystemKindFromName(geometry.fileSystemName);

    if (fileSystems.number(row, FirstFat) == 0) {
        FatStarts starts = FindFatStarts(source, geometry.cluster0Start, kind, stop);
        if (starts.found < 2 && kind == volume::FileSystemKind::Fat32)
            starts = FindFat32StartsBelowData(source, geometry.cluster0Start,
                                              fileSystems.number(row, Spc), stop);
        if (starts.found == 2) {
            const std::uint32_t perFat = starts.second - starts.first;
            fileSystems.setNumber(row, FirstFat, starts.first);
            fileSystems.setNumber(row, SecondFat, starts.second);
            fileSystems.setNumber(row, Spf, perFat);
            fileSystems.setNumber(row, RootStart,
                                  kind == volume::FileSystemKind::Fat32 ? kDefaultRootCluster
                                                                        : starts.second + perFat);
        }
    }

    geometry.firstFat = fileSystems.number(row, FirstFat);
    geometry.reservedSectors = fileSystems.number(row, ReserveSectors);
    geometry.rootSectors = fileSystems.number(row, RootSectors);
    if (geometry.rootSectors == 0 && kind == volume::FileSystemKind::Fat16)
        geometry.rootSectors = kDefaultRootSectors;
    geometry.rootStart = fileSystems.number(row, RootStart);
    if (geometry.rootStart == 0)
        geometry.rootStart = kDefaultRootCluster;
    geometry.secondFat = fileSystems.number(row, SecondFat);
    geometry.sectorsPerCluster = fileSystems.number(row, Spc);
    geometry.sectorsPerFat = fileSystems.number(row, Spf);
    return geometry;
}

ActiveGeometry OpenPickedFileSystem(disk::SectorSource& source, RecordTables& tables,
                                    std::uint32_t number, std::stop_token stop) {
    CopyDirectoryHeads(tables.dirClusterTable, number, tables.folderTable);
    return LoadPickedFileSystem(source, tables.fileSystemTable, number, stop);
}

} // namespace qr::fat
