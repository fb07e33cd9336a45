#include "app/FatSearch.h"

#include "app/AdvancedFatSearch.h"
#include "app/RecoveryContext.h"
#include "app/ScanDriver.h"
#include "app/WalkedTree.h"
#include "disk/SectorReader.h"
#include "fat/FatEngine.h"
#include "fat/FatKinds.h"
#include "fat/FatReadCache.h"
#include "fat/FoldersFromParentEntries.h"
#include "fat/RootWalk.h"
#include "fat/ScanFatDirectories.h"
#include "model/LostDirectories.h"

#include <string>
#include <unordered_set>
#include <vector>

namespace qr::app {

namespace {

void writeFolderRow(model::RecordTable& table, std::uint64_t number,
                    const fat::FoundDirectory& found) {
    // One step per row, in column order: Name, Sector, Self, Parent, Date, Time, Size,
    // Attr, SysId, Type (Deleted stays empty); numbers as unsigned 32-bit decimals.
    const auto n = [](std::uint32_t value) { return std::to_string(value); };
    table.appendCells({"Dir" + std::to_string(number), n(static_cast<std::uint32_t>(found.sector)),
                       n(found.self), n(found.parent), n(found.date), n(found.time), n(found.size),
                       n(found.attributes), "0", "FOLDER"});
}

// Appends the rows of `walked` whose folder `table` does not hold.
void keepWalkedFolders(model::RecordTable& table, const model::RecordTable& walked) {
    using model::folder_col::Self;
    std::unordered_set<std::uint32_t> held;
    for (int row = 0; row < table.rowCount(); ++row)
        held.insert(table.number(row, Self));
    for (int row = 0; row < walked.rowCount(); ++row) {
        if (held.count(walked.number(row, Self)))
            continue;
        const int at = table.appendRow(walked.view(row, 0));
        for (int column = 1; column < walked.columnCount(); ++column)
            table.setCell(at, column, walked.view(row, column));
    }
}

bool standardSearch(RecoveryContext& context, std::stop_token stop) {
    if (!context.validationSucceeded && CalculateVolumeParams(context, stop) == 0 &&
        !stop.stop_requested() && context.messages)
        context.messages->error("Unable to calculate partition parameters");
    context.window().setItemText(item::kCounterLabel, "Directories Found                      :");
    model::RecordTable walkRows(context.tables.folderTable.columns());
    if (context.searchScope == volume::SearchScope::WalkOnly) {
        AddLostFolderRow(context.tables.folderTable);
        WalkDirectories(context, stop, context.tables.folderTable);
        return !stop.stop_requested();
    }
    // The walk goes first: its tree may be shown while the sweep runs. The sweep then
    // writes every row, in sector order, as a search without the walk does.
    WalkDirectories(context, stop, walkRows);
    if (stop.stop_requested()) {
        AddLostFolderRow(context.tables.folderTable); // as a stop where the sweep begins
        return false;
    }
    // The walk's rows as they were: a sweep stopped early keeps the folders shown.
    const model::RecordTable walked =
        context.showWalkedTree ? walkRows : model::RecordTable(walkRows.columns());
    ShowWalkedTree(context, walkRows, model::TreeVariant::FatStandard);
    // The sweep writes as many rows again: they take the memory of these.
    walkRows.clear();
    ScanDirectories(context, stop);
    if (!stop.stop_requested())
        return true;
    keepWalkedFolders(context.tables.folderTable, walked);
    return false;
}

// Lost-directory search and tree building on the rows found (the end of every
// Standard FAT search, stopped or not).
void buildTree(RecoveryContext& context) {
    FindLostAndBuildTree(context, model::kFatRootParent, model::TreeVariant::FatStandard);
    // The search's reads are over: the file list reads the medium (a caller that lists
    // every folder as part of the search keeps the cache).
    if (!context.keepSearchCache)
        context.searchCache.reset();
}

// The folders' rows became the tree; files are read from their directories.
void afterStandardSearch(RecoveryContext& context) {
    context.tables.folderTable.clear();
    context.tables.fileTable.clear();
    context.tables.dirClusterTable.clear();
}

std::unique_ptr<volume::VolumeEngine> openEngine(RecoveryContext& context,
                                                 volume::FileSystemKind kind, bool searchCache) {
    if (!fat::IsFatKind(kind))
        return nullptr;
    return std::make_unique<fat::FatEngine>(FatVolumeOf(context, searchCache), kind);
}

} // namespace

const EngineHooks kFatHooks{
    .standardSearch = standardSearch,
    .buildTree = buildTree,
    .afterStandardSearch = afterStandardSearch,
    .advancedSweep = SweepAdvancedFat,
    .advancedSweepEnded = ShowAdvancedFatFileSystems,
    .openPickedFileSystem = OpenPickedFatFileSystem,
    .openEngine = openEngine,
    .logTree = model::TreeVariant::FatFromLog,
    .restoreFromLog = nullptr,
};

void WalkDirectories(RecoveryContext& context, std::stop_token stop, model::RecordTable& table) {
    if (!fat::IsFatKind(context.volumeParams.kind()) || !context.reader)
        return;
    if (!context.searchCache)
        context.searchCache = std::make_unique<fat::FatReadCache>();
    LoadActiveGeometryFromVolume(context);
    std::uint64_t number = 1; // row names go on from the Lost row's
    const std::uint64_t folders = fat::WalkFatFromRoot(
        FatVolumeOf(context, true), stop,
        [&](const fat::FoundDirectory& found) { writeFolderRow(table, number++, found); });
    if (!stop.stop_requested())
        context.progress().walkEnded(folders);
}

void ScanDirectories(RecoveryContext& context, std::stop_token stop) {
    const volume::VolumeParams& volume = context.volumeParams;
    if (!fat::IsFatKind(volume.kind()))
        return;
    model::RecordTable& table = context.tables.folderTable;
    volume::SearchProgress& progress = context.progress();
    progress.phase(volume::SearchPhase::DirectoryScan);
    progress.position(0, volume.partitionEnd);
    AddLostFolderRow(table);
    std::uint64_t rows = 1;
    progress.counter(volume::SearchCounter::Directories, rows);
    if (!context.reader)
        return;
    if (!context.searchCache)
        context.searchCache = std::make_unique<fat::FatReadCache>();
    std::vector<std::uint32_t> heads;
    fat::ScanFatDirectories(
        *context.reader, volume, stop, progress, rows,
        [&](const fat::FoundDirectory& found) {
            writeFolderRow(table, rows++, found);
            heads.push_back(found.self);
        },
        context.searchCache.get());
    // Folders whose own head is damaged are kept through their parents' entries.
    LoadActiveGeometryFromVolume(context);
    for (const fat::FoundDirectory& found :
         fat::FoldersFromParentEntries(FatVolumeOf(context, true), heads, stop)) {
        writeFolderRow(table, rows++, found);
        progress.counter(volume::SearchCounter::Directories, rows);
    }
}

} // namespace qr::app
