#include "output/RecoveryLogState.h"

#include "volume/EngineRegistry.h"

#include <algorithm>

namespace qr::output {

namespace {

using namespace model::folder_col;

// The log's format keeps sector numbers in 32 bits.
template <typename Layout> LogVolumeFields fieldsOf(const Layout& v) {
    const auto low = [](std::uint64_t sector) { return static_cast<std::uint32_t>(sector); };
    return {v.sectorsPerFat,   v.sectorsPerCluster,   v.rootSectors,      v.rootStart,
            v.reservedSectors, low(v.cluster0Start),  low(v.firstFat),    low(v.secondFat),
            low(v.mftStart),   low(v.mftMirrorStart), v.mftRecordSectors, v.indexRecordSectors};
}

template <typename Layout> void setFields(Layout& v, const LogVolumeFields& f) {
    v.sectorsPerFat = f.sectorsPerFat;
    v.sectorsPerCluster = f.sectorsPerCluster;
    v.rootSectors = f.rootSectors;
    v.rootStart = f.rootStart;
    v.reservedSectors = f.reservedSectors;
    v.cluster0Start = f.cluster0Start;
    v.firstFat = f.firstFat;
    v.secondFat = f.secondFat;
    v.mftStart = f.mftStart;
    v.mftMirrorStart = f.mftMirrorStart;
    v.mftRecordSectors = f.mftRecordSectors;
    v.indexRecordSectors = f.indexRecordSectors;
}

LogWideSectors highHalvesOf(const volume::VolumeParams& v) {
    const auto high = [](std::uint64_t sector) { return static_cast<std::uint32_t>(sector >> 32); };
    return {high(v.cluster0Start), high(v.firstFat), high(v.secondFat), high(v.mftStart),
            high(v.mftMirrorStart)};
}

void addHighHalves(volume::VolumeParams& v, const LogWideSectors& h) {
    const auto wide = [](std::uint64_t& sector, std::uint32_t high) {
        sector |= std::uint64_t{high} << 32;
    };
    wide(v.cluster0Start, h.cluster0Start);
    wide(v.firstFat, h.firstFat);
    wide(v.secondFat, h.secondFat);
    wide(v.mftStart, h.mftStart);
    wide(v.mftMirrorStart, h.mftMirrorStart);
}

// A cell as a reader with a 256-byte buffer sees it.
constexpr std::size_t kFileCellBuffer = 256;

} // namespace

std::uint32_t LogFileSize(std::int64_t size) {
    if (size < 0) // a signed cell keeps the tables' 32-bit wrap-around
        return static_cast<std::uint32_t>(size);
    return static_cast<std::uint32_t>(
        std::min<std::uint64_t>(static_cast<std::uint64_t>(size), kClippedLogSize));
}

RecoveryLogSnapshot TakeLogSnapshot(const LogSearchFields& search,
                                    const volume::VolumeParams& validated,
                                    const fat::ActiveGeometry& working,
                                    const model::FolderNodeList& folders,
                                    const model::RecordTable& fileTable) {
    RecoveryLogSnapshot log;
    log.diskModel = search.diskModel;
    log.searchMode = static_cast<std::uint8_t>(search.searchMode);
    log.diskNumber = static_cast<std::uint8_t>(search.selectedDiskNumber);
    log.searchDiskNumber = static_cast<std::uint8_t>(search.searchDiskNumber);
    log.partitionIndex = static_cast<std::uint8_t>(search.searchPartitionIndex);
    log.partitionType = validated.fileSystemName;
    log.modeCaption = search.searchModeText;
    log.partitionStart = validated.partitionStart;
    log.partitionEnd = validated.partitionEnd;
    log.validated = fieldsOf(validated);
    log.validatedHigh = highHalvesOf(validated);
    log.working = fieldsOf(working);
    log.fileSystemName = working.fileSystemName;

    log.folders.reserve(folders.size());
    for (const model::FolderNode& node : folders)
        log.folders.push_back(
            {node.name, node.selfKey, node.parentKey, node.date, node.time, node.deleted});

    const volume::EngineRow* row = volume::FindEngineRow(working.fileSystemName);
    if (row && row->traits.filesAreSearchRows) {
        const int rows = fileTable.rowCount();
        log.files.reserve(static_cast<std::size_t>(rows));
        for (int row = 0; row < rows; ++row) {
            FileRecord file;
            file.name = fileTable.cell(row, Name, kFileCellBuffer);
            file.sector = fileTable.number(row, Sector, kFileCellBuffer);
            file.self = fileTable.number(row, Self, kFileCellBuffer);
            file.parent = fileTable.number(row, Parent, kFileCellBuffer);
            file.date = fileTable.number64(row, Date, kFileCellBuffer);
            file.size = LogFileSize(fileTable.number64(row, Size, kFileCellBuffer));
            file.deleted = fileTable.number(row, Deleted, kFileCellBuffer);
            log.files.push_back(std::move(file));
        }
    }
    return log;
}

void RestoreVolumeFromLog(const RecoveryLogSnapshot& log, volume::VolumeParams& validated,
                          fat::ActiveGeometry& working) {
    validated.fileSystemName = log.partitionType;
    validated.partitionStart = log.partitionStart;
    validated.partitionEnd = log.partitionEnd;
    setFields(validated, log.validated);
    addHighHalves(validated, log.validatedHigh);
    setFields(working, log.working);
    working.fileSystemName = log.fileSystemName;
}

void FillTablesFromLog(const RecoveryLogSnapshot& log, model::RecordTable& folderTable,
                       model::RecordTable& fileTable) {
    folderTable.clear();
    fileTable.clear();
    for (const FolderRecord& folder : log.folders) {
        const int row = folderTable.appendRow(folder.name);
        folderTable.setNumber(row, Self, folder.selfKey);
        folderTable.setNumber(row, Parent, folder.parentKey);
        folderTable.setNumber64(row, Date, static_cast<std::int64_t>(folder.date));
        folderTable.setNumber64(row, Time, static_cast<std::int64_t>(folder.time));
        folderTable.setCell(row, Type, "FOLDER");
        folderTable.setCell(row, Size, "0");
        if (folder.deleted)
            folderTable.setCell(row, Deleted, "1");
    }
    for (const FileRecord& file : log.files) {
        const int row = fileTable.appendRow(file.name);
        fileTable.setNumber(row, Sector, file.sector);
        fileTable.setNumber(row, Self, file.self);
        fileTable.setNumber(row, Parent, file.parent);
        fileTable.setNumber64(row, Date, file.date);
        fileTable.setNumber(row, Size, file.size);
        fileTable.setNumber(row, Deleted, file.deleted);
        fileTable.setCell(row, Type, "FILE");
    }
}

} // namespace qr::output
