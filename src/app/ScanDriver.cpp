#include "app/ScanDriver.h"

#include "app/AdvancedFatSearch.h"
#include "app/AdvancedNtfsSearch.h"
#include "app/EmptySearch.h"
#include "app/FolderCommands.h"
#include "app/MediumWatch.h"
#include "app/RecoveryContext.h"
#include "app/SearchReport.h"
#include "disk/SectorReader.h"
#include "exfat/ExfatEngine.h"
#include "exfat/ExfatSearch.h"
#include "fat/FatReadCache.h"
#include "fat/FoldersFromParentEntries.h"
#include "fat/ScanFatDirectories.h"
#include "model/LostDirectories.h"
#include "model/RecoveryTree.h"
#include "ntfs/NtfsEngine.h"
#include "ntfs/NtfsSearch.h"
#include "volume/CalculateVolumeParams.h"

#include <future>
#include <string>

namespace qr::app {

namespace {

using namespace item;

const char* const kSaveInstructions =
    "If you want to save any Files or Directories then select Files or Directories from left "
    "panel and click on save button.";

bool isFat(const RecoveryContext& context) {
    return volume::IsFat(context.volumeParams.kind());
}

void writeFolderRow(model::RecordTable& table, std::uint64_t number,
                    const fat::FoundDirectory& found) {
    // One step per row, in column order: Name, Sector, Self, Parent, Date, Time, Size,
    // Attr, SysId, Type (Deleted stays empty); numbers as unsigned 32-bit decimals.
    const auto n = [](std::uint32_t value) { return std::to_string(value); };
    table.appendCells({"Dir" + std::to_string(number), n(static_cast<std::uint32_t>(found.sector)),
                       n(found.self), n(found.parent), n(found.date), n(found.time), n(found.size),
                       n(found.attributes), "0", "FOLDER"});
}

// Signed decimal of the low 32 bits, as the summary shows every number.
std::string summaryNumber(std::uint64_t value) {
    return std::to_string(static_cast<std::int32_t>(static_cast<std::uint32_t>(value)));
}

void enableSaving(WindowItems& window) {
    window.enableItem(kSaveButton, true);
    window.enableItem(kSaveLogButton, true);
}

void enableSelectAndSaveMenu(WindowItems& window) {
    window.enableItem(kMenuSelectAll, true);
    window.enableItem(kMenuSave, true);
}

// Lost-directory search and tree building on the rows of a scan or walk, with the
// captions of both steps.
void findLostAndBuildTree(RecoveryContext& context, std::uint32_t rootParent,
                          model::TreeVariant variant) {
    WindowItems& window = context.window();
    window.setItemText(kProgressCaption, "Searching Lost Directories. Please Wait...");
    window.setItemText(kStatusLine, "Please Wait...");
    model::FindLostDirectories(context.tables.folderTable, rootParent, context.progress());
    window.setItemText(kProgressCaption, "Storing Directory Information. Please Wait...");
    app::BuildFolderTree(context, variant);
}

// Lost-directory search and tree building on the rows found (the end of every
// standard FAT search, stopped or not).
void buildFatTree(RecoveryContext& context) {
    findLostAndBuildTree(context, model::kFatRootParent, model::TreeVariant::FatStandard);
    // The search's reads are over: the file list reads the medium (a caller that lists
    // every folder as part of the search keeps the cache).
    if (!context.keepSearchCache)
        context.searchCache.reset();
}

// Standard search of a FAT16 or FAT32 volume. False when it was stopped before the
// tree was built.
bool runStandardFat(RecoveryContext& context, std::stop_token stop) {
    WindowItems& window = context.window();
    if (!context.validationSucceeded && CalculateVolumeParams(context, stop) == 0 &&
        !stop.stop_requested() && context.messages)
        context.messages->error("Unable to calculate partition parameters");
    window.setItemText(kCounterLabel, "Directories Found                      :");
    ScanDirectories(context, stop);
    if (stop.stop_requested())
        return false;
    LoadActiveGeometryFromVolume(context);
    buildFatTree(context);
    enableSaving(window);
    window.enableItem(kMenuSaveLog, true);
    context.tables.folderTable.clear();
    context.tables.fileTable.clear();
    context.tables.dirClusterTable.clear();
    model::SetUpFolderColumns(context.fileList);
    FillRecoveryDetails(context);
    app::WriteSearchReport(context);
    window.setItemText(kStatusLine, kSaveInstructions);
    return true;
}

// Lost-directory search and tree building on the rows of an NTFS walk (stopped or not).
void buildNtfsTree(RecoveryContext& context) {
    findLostAndBuildTree(context, model::kNtfsRootParent, model::TreeVariant::Ntfs);
}

// Standard search of an NTFS volume: the MFT's runs, the walk of its records, the Lost
// folder and the tree. FileTable keeps the files. False when it was stopped before the
// tree was built.
bool runStandardNtfs(RecoveryContext& context, std::stop_token stop) {
    WindowItems& window = context.window();
    LoadActiveGeometryFromVolume(context);
    context.ntfsVolume = std::make_shared<ntfs::NtfsVolumeState>();
    if (!context.reader)
        return true;
    const ntfs::NtfsGeometry geometry = ntfs::GeometryFromVolume(context.volumeParams);
    context.ntfsVolume->mftRuns = ntfs::BuildMftRunList(*context.reader, geometry);
    context.ntfsVolume->runsBuilt = true;
    window.setItemText(kCounterLabel, "MFT Found");
    ntfs::WalkMftStandard(*context.reader, geometry, context.ntfsVolume->mftRuns,
                          context.tables.folderTable, context.tables.fileTable, context.progress(),
                          stop);
    if (stop.stop_requested())
        return false;
    buildNtfsTree(context);
    enableSaving(window);
    window.enableItem(kMenuSaveLog, true);
    model::SetUpFolderColumns(context.fileList);
    window.showItem(kProgressCaption, false);
    FillRecoveryDetails(context);
    app::WriteSearchReport(context);
    window.setItemText(kStatusLine, kSaveInstructions);
    return true;
}

bool isExfat(const RecoveryContext& context) {
    return context.volumeParams.kind() == volume::FileSystemKind::ExFat;
}

// Tree building on the rows of an exFAT search (stopped or not): the search put its
// orphans under Lost already.
void buildExfatTree(RecoveryContext& context) {
    WindowItems& window = context.window();
    window.setItemText(kProgressCaption, "Storing Directory Information. Please Wait...");
    window.setItemText(kStatusLine, "Please Wait...");
    app::BuildFolderTree(context, model::TreeVariant::ExFat);
}

// Standard search of an exFAT volume: the directory walk from the root, the heap sweep
// for directories it did not reach, the Lost folder and the tree. FileTable keeps the
// files. False when it was stopped before the tree was built.
bool runStandardExfat(RecoveryContext& context, std::stop_token stop) {
    WindowItems& window = context.window();
    LoadActiveGeometryFromVolume(context);
    context.exfatVolume = std::make_shared<exfat::ExfatVolumeState>();
    const auto geometry = volume::ExfatGeometryFromParams(context.volumeParams);
    if (!context.reader || !geometry) {
        // Without a valid boot region there is no tree to walk: an empty Root.
        AddLostFolderRow(context.tables.folderTable);
        buildExfatTree(context);
        return true;
    }
    window.setItemText(kCounterLabel, "Directories Found                      :");
    exfat::RunExfatStandardSearch(*context.reader, *geometry, context.tables.folderTable,
                                  context.tables.fileTable, context.progress(), stop);
    if (stop.stop_requested())
        return false;
    buildExfatTree(context);
    enableSaving(window);
    window.enableItem(kMenuSaveLog, true);
    model::SetUpFolderColumns(context.fileList);
    window.showItem(kProgressCaption, false);
    FillRecoveryDetails(context);
    window.setItemText(kStatusLine, kSaveInstructions);
    return true;
}

} // namespace

void AddLostFolderRow(model::RecordTable& table) {
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

void FillRecoveryDetails(RecoveryContext& context) {
    auto& d = context.recoveryDetails;
    const volume::VolumeParams& v = context.volumeParams;
    d.diskNumber = "Disk Number : " + summaryNumber(context.selectedDiskNumber);
    d.modelNumber = "Model Number : " + context.diskModel;
    d.partitionNumber = "Partition Number : " +
                        summaryNumber(static_cast<std::uint32_t>(context.searchPartitionIndex));
    d.partitionType = "Partition Type : " + v.fileSystemName;
    d.searchMode = std::string("Search Mode : ") +
                   (context.searchMode == kSearchAdvanced ? "Advance" : "Standard");
    d.searchRange = "Search Range : " + summaryNumber(v.partitionStart) + " to " +
                    summaryNumber(v.partitionEnd);
    d.entireDiskStatus = "Search Entire Disk Status: TRUE";
}

void LoadActiveGeometryFromVolume(RecoveryContext& context) {
    const volume::VolumeParams& v = context.volumeParams;
    fat::ActiveGeometry& g = context.activeGeometry;
    g.fileSystemName = v.fileSystemName;
    g.sectorsPerFat = v.sectorsPerFat;
    g.sectorsPerCluster = v.sectorsPerCluster;
    g.rootSectors = v.rootSectors;
    g.rootStart = v.rootStart;
    g.reservedSectors = v.reservedSectors;
    g.cluster0Start = v.cluster0Start;
    g.firstFat = v.firstFat;
    g.secondFat = v.secondFat;
}

void ScanDirectories(RecoveryContext& context, std::stop_token stop) {
    const volume::VolumeParams& volume = context.volumeParams;
    if (!isFat(context))
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

int CalculateVolumeParams(RecoveryContext& context, std::stop_token stop, std::string* why) {
    if (!context.reader)
        return 0;
    const volume::Reconstruction result = volume::CalculateVolumeParams(
        *context.reader, context.volumeParams, stop, context.progress());
    if (result.outcome == volume::ReconstructionOutcome::NoMemory && context.messages)
        context.messages->error("Not Enough Memory");
    if (why)
        *why = result.why;
    return result.outcome == volume::ReconstructionOutcome::Rebuilt ? 1 : 0;
}

void ScanWorker(RecoveryContext& context, std::stop_token stop) {
    WindowItems& window = context.window();
    context.scanWorkerRunning = true;
    context.scanStopped = false;
    context.mediumLostAt.reset();
    context.searchStarted = std::chrono::steady_clock::now();
    const std::uint64_t end = context.volumeParams.partitionEnd;
    MediumWatch medium(context, end == UINT64_MAX ? end : end + 1);
    window.enableItem(kBack, false);
    window.enableItem(kNext, false);
    context.tables.folderTable.clear();
    context.tables.fileTable.clear();
    // A new search starts from an empty folder tree and reads the medium afresh.
    context.folderNodes.clear();
    context.searchCache.reset();
    context.recoveryTree.clear();
    window.showItem(kStopSearch, true);
    bool startAssignment = false;

    // An exFAT volume is searched the same way in both modes (its search sweeps the heap
    // for lost folders already).
    if (context.searchMode == kSearchStandard || isExfat(context)) {
        context.wizardStage = 3;
        // The Advanced mode gets its own branches here.
        const bool ntfs = context.volumeParams.kind() == volume::FileSystemKind::Ntfs;
        if ((isFat(context) && !runStandardFat(context, stop)) ||
            (ntfs && !runStandardNtfs(context, stop)) ||
            (isExfat(context) && !runStandardExfat(context, stop))) {
            context.scanStopped = true;
            ReportMediumLoss(context, medium);
            context.scanWorkerRunning = false;
            return; // StopSearch finishes the search
        }
        window.showItem(kNext, true);
        window.enableItem(kNext, false);
        window.showItem(kStopSearch, false);
        enableSelectAndSaveMenu(window);
        if (context.messages && SearchFoundNothing(context))
            context.messages->error(NothingFoundText(context));
    } else if (context.searchMode == kSearchAdvanced && isFat(context)) {
        context.tables.bootSectorTable.clear();
        context.tables.dirClusterTable.clear();
        context.tables.fileSystemTable.clear();
        if (!SweepAdvancedFat(context, stop)) {
            context.scanStopped = true;
            ReportMediumLoss(context, medium);
            context.scanWorkerRunning = false;
            return; // StopSearch infers the file systems of what was found
        }
        ShowAdvancedFatFileSystems(context, false);
    } else if (context.searchMode == kSearchAdvanced &&
               context.volumeParams.kind() == volume::FileSystemKind::Ntfs) {
        context.tables.bootSectorTable.clear();
        context.tables.mftRecordTable.clear();
        context.tables.indexRecordTable.clear();
        context.tables.dirClusterTable.clear();
        context.tables.fileSystemTable.clear();
        if (!SweepAdvancedNtfs(context, stop)) {
            context.scanStopped = true;
            context.scanWorkerRunning = false;
            return; // StopSearch starts the assignment on the records found so far
        }
        startAssignment = true;
    }
    window.enableItem(kBack, true);
    window.showItem(kProgressBar, false);
    ReportMediumLoss(context, medium);
    // Last: the assignment worker writes the window from here on.
    if (startAssignment)
        StartNtfsAssignment(context);
    context.scanWorkerRunning = false;
}

void StartScanWorker(RecoveryContext& context) {
    if (context.scanWorker.joinable()) {
        context.scanWorker.request_stop();
        context.scanWorker.join();
    }
    context.scanWorkerRunning = true;
    // The worker begins once its handle is stored, so whatever it reports to may
    // already reach the handle (for example to request the stop).
    std::promise<void> stored;
    std::shared_future<void> handleStored = stored.get_future().share();
    context.scanWorker = std::jthread([&context, handleStored](std::stop_token stop) {
        handleStored.wait();
        ScanWorker(context, std::move(stop));
    });
    stored.set_value();
}

namespace {

// A stopped Standard search still shows the tree of what it found, in place of the
// search view.
void showTreeOfStoppedSearch(RecoveryContext& context, void (*buildTree)(RecoveryContext&)) {
    WindowItems& window = context.window();
    LoadActiveGeometryFromVolume(context);
    buildTree(context);
    window.showItem(kSearchView, false);
    model::SetUpFolderColumns(context.fileList);
    window.showItem(kRecoveryTree, true);
    window.enableItem(kNext, false);
    window.showItem(kProgressCaption, false);
    window.setItemText(kStatusLine, kSaveInstructions);
    app::WriteSearchReport(context);
}

} // namespace

void StopSearch(RecoveryContext& context) {
    WindowItems& window = context.window();
    window.showItem(kStopSearch, false);
    window.setItemText(kStatusLine, kSaveInstructions);
    enableSaving(window);
    if (!context.scanWorker.joinable())
        return;
    context.scanWorker.request_stop();
    context.scanWorker.join();
    if (!context.scanStopped)
        return; // it had finished the search already
    context.scanStopped = false;
    FillRecoveryDetails(context);
    if (context.searchMode == kSearchStandard || isExfat(context))
        enableSelectAndSaveMenu(window);
    if (isFat(context) && context.searchMode == kSearchStandard)
        showTreeOfStoppedSearch(context, buildFatTree);
    if (isFat(context) && context.searchMode == kSearchAdvanced) {
        window.setItemText(kStatusLine, "For selecting partition click on back button and for "
                                        "save Files or Directories click on next button.");
        window.enableItem(kSaveButton, false);
        window.enableItem(kSaveLogButton, false);
        ShowAdvancedFatFileSystems(context, true);
    }
    if (context.volumeParams.kind() == volume::FileSystemKind::Ntfs &&
        context.searchMode == kSearchAdvanced) {
        window.setItemText(kStatusLine, "For selecting partition click on back button and for "
                                        "save Files or Directories click on next button.");
        window.enableItem(kSaveButton, false);
        window.enableItem(kSaveLogButton, false);
    }
    if (isExfat(context))
        showTreeOfStoppedSearch(context, buildExfatTree);
    if (context.volumeParams.kind() == volume::FileSystemKind::Ntfs &&
        context.searchMode == kSearchStandard)
        showTreeOfStoppedSearch(context, buildNtfsTree);
    window.enableItem(kBack, true);
    window.showItem(kProgressBar, false);
    if (context.volumeParams.kind() == volume::FileSystemKind::Ntfs &&
        context.searchMode == kSearchAdvanced)
        StartNtfsAssignment(context);
}

} // namespace qr::app
