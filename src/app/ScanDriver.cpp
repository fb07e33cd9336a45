#include "app/ScanDriver.h"

#include "app/EmptySearch.h"
#include "app/EngineHooks.h"
#include "app/FolderCommands.h"
#include "app/MediumWatch.h"
#include "app/RecoveryContext.h"
#include "app/SearchReport.h"
#include "app/WalkedTree.h"
#include "disk/SectorReader.h"
#include "fat/FatReadCache.h"
#include "model/LostDirectories.h"
#include "model/RecoveryTree.h"
#include "volume/EngineRegistry.h"

#include <future>
#include <string>

namespace qr::app {

namespace {

using namespace item;

const char* const kSaveInstructions =
    "If you want to save any Files or Directories then select Files or Directories from left "
    "panel and click on save button.";
const char* const kPickInstructions = "For selecting partition click on back button and for "
                                      "save Files or Directories click on next button.";

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

// The search is the Advanced one of an engine that has one (else the Standard search
// serves both modes).
bool advancedSearch(const RecoveryContext& context, const EngineHooks& hooks) {
    return context.searchMode == kSearchAdvanced && hooks.advancedSweep;
}

// The Standard search through the engine's hooks. False when it was stopped before the
// tree was built.
bool runStandardSearch(RecoveryContext& context, const EngineHooks& hooks, std::stop_token stop) {
    WindowItems& window = context.window();
    if (!hooks.standardSearch(context, stop))
        return false;
    LoadActiveGeometryFromVolume(context);
    JoinSweptTree(context, [&] { hooks.buildTree(context); });
    enableSaving(window);
    window.enableItem(kMenuSaveLog, true);
    if (hooks.afterStandardSearch)
        hooks.afterStandardSearch(context);
    model::SetUpFolderColumns(context.fileList);
    window.showItem(kProgressCaption, false);
    FillRecoveryDetails(context);
    app::WriteSearchReport(context);
    window.setItemText(kStatusLine, kSaveInstructions);
    return true;
}

void clearAdvancedTables(RecoveryContext& context) {
    context.tables.bootSectorTable.clear();
    context.tables.mftRecordTable.clear();
    context.tables.indexRecordTable.clear();
    context.tables.dirClusterTable.clear();
    context.tables.fileSystemTable.clear();
}

} // namespace

void FindLostAndBuildTree(RecoveryContext& context, std::uint32_t rootParent,
                          model::TreeVariant variant) {
    WindowItems& window = context.window();
    window.setItemText(kProgressCaption, "Searching Lost Directories. Please Wait...");
    window.setItemText(kStatusLine, "Please Wait...");
    model::FindLostDirectories(context.tables.folderTable, rootParent, context.progress());
    BuildTreeCaptioned(context, variant);
}

void BuildTreeCaptioned(RecoveryContext& context, model::TreeVariant variant) {
    WindowItems& window = context.window();
    window.setItemText(kProgressCaption, "Storing Directory Information. Please Wait...");
    window.setItemText(kStatusLine, "Please Wait...");
    app::BuildFolderTree(context, variant);
}

void AddLostFolderRow(model::RecordTable& table) {
    model::InsertLostFolderRow(table, model::kFatRootKey);
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

int CalculateVolumeParams(RecoveryContext& context, std::stop_token stop, std::string* why) {
    const volume::EngineRow* row = volume::FindEngineRow(context.volumeParams.fileSystemName);
    if (!context.reader || !row || !row->rebuildLayout) {
        if (why)
            *why = "no medium, or a file system whose layout cannot be rebuilt";
        return 0;
    }
    const volume::Reconstruction result =
        row->rebuildLayout(*context.reader, context.volumeParams, stop, context.progress());
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
    context.walkTreeShown = false;
    window.showItem(kStopSearch, true);

    const EngineHooks* hooks = HooksOf(context);
    if (!hooks) {
        // A file system no engine knows: nothing can be searched.
        if (context.messages)
            context.messages->error("The file system \"" + context.volumeParams.fileSystemName +
                                    "\" cannot be searched");
        window.showItem(kStopSearch, false);
        window.enableItem(kBack, true);
        context.scanWorkerRunning = false;
        return;
    }
    const bool advanced = advancedSearch(context, *hooks);
    if (!advanced) {
        context.wizardStage = 3;
        if (!runStandardSearch(context, *hooks, stop)) {
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
    } else {
        clearAdvancedTables(context);
        if (!hooks->advancedSweep(context, stop)) {
            context.scanStopped = true;
            ReportMediumLoss(context, medium);
            context.scanWorkerRunning = false;
            return; // StopSearch goes on with what the sweep found
        }
    }
    window.enableItem(kBack, true);
    window.showItem(kProgressBar, false);
    ReportMediumLoss(context, medium);
    // Last: what follows the sweep may start a worker that writes the window from here on.
    if (advanced)
        hooks->advancedSweepEnded(context, false);
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
void showTreeOfStoppedSearch(RecoveryContext& context, const EngineHooks& hooks) {
    WindowItems& window = context.window();
    LoadActiveGeometryFromVolume(context);
    JoinSweptTree(context, [&] { hooks.buildTree(context); });
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
    const EngineHooks* hooks = HooksOf(context);
    if (!hooks)
        return;
    const bool advanced = advancedSearch(context, *hooks);
    if (advanced) {
        window.setItemText(kStatusLine, kPickInstructions);
        window.enableItem(kSaveButton, false);
        window.enableItem(kSaveLogButton, false);
    } else {
        enableSelectAndSaveMenu(window);
        showTreeOfStoppedSearch(context, *hooks);
    }
    window.enableItem(kBack, true);
    window.showItem(kProgressBar, false);
    if (advanced)
        hooks->advancedSweepEnded(context, true);
}

} // namespace qr::app
