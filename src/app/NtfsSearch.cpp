#include "app/NtfsSearch.h"

#include "app/AdvancedNtfsSearch.h"
#include "app/RecoveryContext.h"
#include "app/ScanDriver.h"
#include "disk/SectorReader.h"
#include "ntfs/NtfsEngine.h"
#include "ntfs/NtfsSearch.h"
#include "output/RecoveryLogSnapshot.h"

namespace qr::app {

namespace {

// The MFT's runs, the walk of its records and the Lost folder for orphans; FileTable
// keeps the files.
bool standardSearch(RecoveryContext& context, std::stop_token stop) {
    context.ntfsVolume = std::make_shared<ntfs::NtfsVolumeState>();
    if (!context.reader)
        return true;
    context.window().setItemText(item::kCounterLabel, "MFT Found");
    ntfs::NtfsSearchResult result = ntfs::RunNtfsStandardSearch(
        *context.reader, ntfs::GeometryFromVolume(context.volumeParams), context.tables.folderTable,
        context.tables.fileTable, context.progress(), stop);
    context.ntfsVolume->mftRuns = std::move(result.mftRuns);
    context.ntfsVolume->runsBuilt = true;
    return !stop.stop_requested();
}

// The search gave the orphans their Lost parents already.
void buildTree(RecoveryContext& context) {
    BuildTreeCaptioned(context, model::TreeVariant::Ntfs);
}

void advancedSweepEnded(RecoveryContext& context, bool) {
    // The records found (all of them, or those before the stop) get their numbers.
    StartNtfsAssignment(context);
}

void openPickedFileSystem(RecoveryContext& context, std::stop_token) {
    OpenPickedNtfsFileSystem(context);
}

std::unique_ptr<volume::VolumeEngine> openEngine(RecoveryContext& context, volume::FileSystemKind,
                                                 bool) {
    if (!context.reader)
        return nullptr;
    if (!context.ntfsVolume)
        context.ntfsVolume = std::make_shared<ntfs::NtfsVolumeState>();
    const ntfs::NtfsGeometry geometry = context.ntfsVolume->hasGeometry
                                            ? context.ntfsVolume->geometry
                                            : ntfs::GeometryFromVolume(context.volumeParams);
    return std::make_unique<ntfs::NtfsEngine>(*context.reader, geometry, context.ntfsVolume,
                                              context.tables.fileTable);
}

// A picked NTFS volume: the log of its search, or a log saved again after loading one
// (the MFT start is kept in the working copy only for a picked volume).
void restoreFromLog(RecoveryContext& context, const output::RecoveryLogSnapshot& log) {
    if (log.searchMode == kSearchAdvanced || context.activeGeometry.mftStart != 0)
        RestorePickedNtfsVolume(context);
}

} // namespace

const EngineHooks kNtfsHooks{
    .standardSearch = standardSearch,
    .buildTree = buildTree,
    .afterStandardSearch = nullptr,
    .advancedSweep = SweepAdvancedNtfs,
    .advancedSweepEnded = advancedSweepEnded,
    .openPickedFileSystem = openPickedFileSystem,
    .openEngine = openEngine,
    .logTree = model::TreeVariant::Ntfs,
    .restoreFromLog = restoreFromLog,
};

} // namespace qr::app
