#include "app/ExfatSearch.h"

#include "app/AdvancedExfatSearch.h"
#include "app/EmptySearch.h"
#include "app/RecoveryContext.h"
#include "app/ScanDriver.h"
#include "app/WalkedTree.h"
#include "disk/SectorReader.h"
#include "exfat/ExfatEngine.h"
#include "exfat/ExfatSearch.h"

namespace qr::app {

namespace {

// The walk's rows, as the walk left them, become the tree shown while the sweep runs;
// Lost joins with the sweep's folders. The tree lists a copy of the walk's file rows.
void showWalkedTree(RecoveryContext& context) {
    context.walkFileTable = context.tables.fileTable;
    context.exfatWalkVolume = std::make_shared<exfat::ExfatVolumeState>();
    model::RecordTable rows = context.tables.folderTable;
    for (int row = rows.rowCount() - 1; row >= 0; --row)
        if (rows.number(row, model::folder_col::Self) == model::kLostFolderKey)
            rows.deleteRow(row);
    ShowWalkedTree(context, rows, model::TreeVariant::ExFat);
}

bool standardSearch(RecoveryContext& context, std::stop_token stop) {
    context.exfatVolume = std::make_shared<exfat::ExfatVolumeState>();
    const auto geometry = exfat::ExfatGeometryFromParams(context.volumeParams);
    if (!context.reader || !geometry) {
        // Without a valid boot region there is no tree to walk: an empty Root.
        AddLostFolderRow(context.tables.folderTable);
        return true;
    }
    context.window().setItemText(item::kCounterLabel, "Directories Found                      :");
    if (context.showWalkedTree)
        context.progress().setWalkHandler([&context](std::uint64_t) { showWalkedTree(context); });
    context.exfatVolume->earlierFolders =
        exfat::RunExfatStandardSearch(*context.reader, *geometry, context.tables.folderTable,
                                      context.tables.fileTable, context.progress(), stop,
                                      context.searchScope)
            .earlierFolders;
    context.progress().setWalkHandler(nullptr);
    return !stop.stop_requested();
}

// A heap that holds folders of an earlier format: said once, when the tree holds files
// (an empty tree says it as what was not found).
void afterStandardSearch(RecoveryContext& context) {
    if (context.exfatVolume && context.exfatVolume->earlierFolders > 0 && context.messages &&
        !SearchFoundNothing(context))
        context.messages->error(FormattedVolumeText());
}

// The search put its orphans under Lost already.
void buildTree(RecoveryContext& context) {
    BuildTreeCaptioned(context, model::TreeVariant::ExFat);
}

std::unique_ptr<volume::VolumeEngine> openEngine(RecoveryContext& context, volume::FileSystemKind,
                                                 bool) {
    // A file system picked after an Advanced search has a geometry of its own (the
    // volume's parameters describe the searched range then).
    const auto geometry = context.exfatVolume && context.exfatVolume->picked
                              ? context.exfatVolume->picked
                              : exfat::ExfatGeometryFromParams(context.volumeParams);
    if (!context.reader || !geometry)
        return nullptr;
    if (!context.exfatVolume)
        context.exfatVolume = std::make_shared<exfat::ExfatVolumeState>();
    // While the sweep runs, the walk's tree lists the walk's rows.
    if (context.walkTreeShown && context.walkFileTable && context.exfatWalkVolume)
        return std::make_unique<exfat::ExfatEngine>(
            *context.reader, *geometry, context.exfatWalkVolume, *context.walkFileTable);
    return std::make_unique<exfat::ExfatEngine>(*context.reader, *geometry, context.exfatVolume,
                                                context.tables.fileTable);
}

} // namespace

const EngineHooks kExfatHooks{
    .standardSearch = standardSearch,
    .buildTree = buildTree,
    .afterStandardSearch = afterStandardSearch,
    .advancedSweep = SweepAdvancedExfat,
    .advancedSweepEnded = ShowAdvancedExfatFileSystems,
    .openPickedFileSystem = OpenPickedExfatFileSystem,
    .openEngine = openEngine,
    .logTree = model::TreeVariant::ExFat,
    .restoreFromLog = nullptr,
};

} // namespace qr::app
