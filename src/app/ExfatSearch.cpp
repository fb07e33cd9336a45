#include "app/ExfatSearch.h"

#include "app/AdvancedExfatSearch.h"
#include "app/EmptySearch.h"
#include "app/RecoveryContext.h"
#include "app/ScanDriver.h"
#include "disk/SectorReader.h"
#include "exfat/ExfatEngine.h"
#include "exfat/ExfatSearch.h"

namespace qr::app {

namespace {

bool standardSearch(RecoveryContext& context, std::stop_token stop) {
    context.exfatVolume = std::make_shared<exfat::ExfatVolumeState>();
    const auto geometry = exfat::ExfatGeometryFromParams(context.volumeParams);
    if (!context.reader || !geometry) {
        // Without a valid boot region there is no tree to walk: an empty Root.
        AddLostFolderRow(context.tables.folderTable);
        return true;
    }
    context.window().setItemText(item::kCounterLabel, "Directories Found                      :");
    context.exfatVolume->earlierFolders =
        exfat::RunExfatStandardSearch(*context.reader, *geometry, context.tables.folderTable,
                                      context.tables.fileTable, context.progress(), stop)
            .earlierFolders;
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
