#include "fat/ScanWorker.h"

#include "app/RecoveryContext.h"
#include "app/SearchReport.h"
#include "fat/LostDirectories.h"
#include "fat/ScanFatDirectories.h"
#include "model/RecoveryTree.h"
#include "volume/CalculateVolumeParams.h"

#include <future>
#include <string>

namespace qr::fat {

namespace {

using namespace app::item;

const char* const kSaveInstructions =
    "If you want to save any Files or Directories then select Files or Directories from left "
    "panel and click on save button.";

bool isFat(const std::string& name) {
    return name == "FAT16" || name == "FAT32";
}

// Signed decimal of the low 32 bits, as the summary shows every number.
std::string summaryNumber(std::uint64_t value) {
    return std::to_string(static_cast<std::int32_t>(static_cast<std::uint32_t>(value)));
}

void fillRecoveryDetails(app::RecoveryContext& context) {
    auto& d = context.recoveryDetails;
    const volume::VolumeParams& v = context.volumeParams;
    d.diskNumber = "Disk Number : " + summaryNumber(context.selectedDiskNumber);
    d.modelNumber = "Model Number : " + context.diskModel;
    d.partitionNumber = "Partition Number : " +
                        summaryNumber(static_cast<std::uint32_t>(context.searchPartitionIndex));
    d.partitionType = "Partition Type : " + v.fileSystemName;
    d.searchMode = std::string("Search Mode : ") +
                   (context.searchMode == app::kSearchAdvanced ? "Advance" : "Standard");
    d.searchRange = "Search Range : " + summaryNumber(v.partitionStart) + " to " +
                    summaryNumber(v.partitionEnd);
    d.entireDiskStatus = "Search Entire Disk Status: TRUE";
}

void enableSaving(app::WindowItems& window) {
    window.enableItem(kSaveButton, true);
    window.enableItem(kSaveLogButton, true);
}

void enableSelectAndSaveMenu(app::WindowItems& window) {
    window.enableItem(kMenuSelectAll, true);
    window.enableItem(kMenuSave, true);
}

// Lost-directory search and tree building on the rows found (the end of every
// standard FAT search, stopped or not).
void buildFatTree(app::RecoveryContext& context) {
    app::WindowItems& window = context.window();
    window.setItemText(kProgressCaption, "Searching Lost Directories. Please Wait...");
    window.setItemText(kStatusLine, "Please Wait...");
    FindLostDirectories(context, context.tables.folderTable, kFatRootParent);
    window.setItemText(kProgressCaption, "Storing Directory Information. Please Wait...");
    model::BuildFolderTree(context, model::TreeVariant::FatStandard);
}

// Standard search of a FAT16 or FAT32 volume. False when it was stopped before the
// tree was built.
bool runStandardFat(app::RecoveryContext& context, std::stop_token stop) {
    app::WindowItems& window = context.window();
    if (!context.validationSucceeded && volume::CalculateVolumeParams(context, stop) == 0 &&
        !stop.stop_requested() && context.messages)
        context.messages->error("Unable to calculate partition parameters");
    window.setItemText(kCounterLabel, "Directories Found                      :");
    ScanFatDirectories(context, stop);
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
    fillRecoveryDetails(context);
    app::WriteSearchReport(context);
    window.setItemText(kStatusLine, kSaveInstructions);
    return true;
}

} // namespace

void LoadActiveGeometryFromVolume(app::RecoveryContext& context) {
    const volume::VolumeParams& v = context.volumeParams;
    ActiveGeometry& g = context.activeGeometry;
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

void ScanWorker(app::RecoveryContext& context, std::stop_token stop) {
    app::WindowItems& window = context.window();
    context.scanWorkerRunning = true;
    context.scanStopped = false;
    context.searchStarted = std::chrono::steady_clock::now();
    window.enableItem(kBack, false);
    window.enableItem(kNext, false);
    context.tables.folderTable.clear();
    context.tables.fileTable.clear();
    // A new search starts from an empty folder tree.
    context.folderNodes.clear();
    context.recoveryTree.clear();
    window.showItem(kStopSearch, true);

    if (context.searchMode == app::kSearchStandard) {
        context.wizardStage = 3;
        // NTFS volumes and the Advanced mode get their own branches here.
        if (isFat(context.volumeParams.fileSystemName) && !runStandardFat(context, stop)) {
            context.scanStopped = true;
            context.scanWorkerRunning = false;
            return; // StopSearch finishes the search
        }
        window.showItem(kNext, true);
        window.enableItem(kNext, false);
        window.showItem(kStopSearch, false);
        enableSelectAndSaveMenu(window);
    }
    window.enableItem(kBack, true);
    window.showItem(kProgressBar, false);
    context.scanWorkerRunning = false;
}

void StartScanWorker(app::RecoveryContext& context) {
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

void StopSearch(app::RecoveryContext& context) {
    app::WindowItems& window = context.window();
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
    fillRecoveryDetails(context);
    if (context.searchMode == app::kSearchStandard)
        enableSelectAndSaveMenu(window);
    if (isFat(context.volumeParams.fileSystemName) && context.searchMode == app::kSearchStandard) {
        LoadActiveGeometryFromVolume(context);
        buildFatTree(context);
        window.showItem(kSearchView, false);
        model::SetUpFolderColumns(context.fileList);
        window.showItem(kRecoveryTree, true);
        window.enableItem(kNext, false);
        window.showItem(kProgressCaption, false);
        window.setItemText(kStatusLine, kSaveInstructions);
        app::WriteSearchReport(context);
    }
    window.enableItem(kBack, true);
    window.showItem(kProgressBar, false);
}

} // namespace qr::fat
