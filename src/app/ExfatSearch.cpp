#include "app/ExfatSearch.h"

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
    exfat::RunExfatStandardSearch(*context.reader, *geometry, context.tables.folderTable,
                                  context.tables.fileTable, context.progress(), stop);
    return !stop.stop_requested();
}

// The search put its orphans under Lost already.
void buildTree(RecoveryContext& context) {
    BuildTreeCaptioned(context, model::TreeVariant::ExFat);
}

std::unique_ptr<volume::VolumeEngine> openEngine(RecoveryContext& context, volume::FileSystemKind,
                                                 bool) {
    const auto geometry = exfat::ExfatGeometryFromParams(context.volumeParams);
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
    .afterStandardSearch = nullptr,
    .advancedSweep = nullptr,
    .advancedSweepEnded = nullptr,
    .openPickedFileSystem = nullptr,
    .openEngine = openEngine,
    .logTree = model::TreeVariant::ExFat,
    .restoreFromLog = nullptr,
};

} // namespace qr::app
