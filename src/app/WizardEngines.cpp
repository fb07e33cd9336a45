#include "app/WizardEngines.h"

#include "app/AdvancedFatSearch.h"
#include "app/DiskCommands.h"
#include "app/FolderCommands.h"
#include "app/PartitionCommands.h"
#include "app/RecoveryContext.h"
#include "app/ScanDriver.h"
#include "disk/DiskDetails.h"
#include "model/RecoveryTree.h"
#include "volume/PartitionSearch.h"
#include "volume/PartitionTree.h"
#include "volume/VolumeValidation.h"

namespace qr::app {

WizardEngines defaultWizardEngines() {
    WizardEngines e;
    e.showDiskDetails = [](RecoveryContext& ctx, std::uint16_t disk) {
        app::ShowDiskDetails(ctx, disk);
    };
    e.readPartitionTable = [](RecoveryContext& ctx) { app::CreatePartitionTree(ctx); };
    e.ensureRecoveryRoot = [](RecoveryContext& ctx) { app::EnsureRootItem(ctx); };
    e.validateVolume = [](RecoveryContext& ctx) { return app::ValidateVolume(ctx) != 0; };
    e.startScan = [](RecoveryContext& ctx) { app::StartScanWorker(ctx); };
    e.startFileSystemWorker = [](RecoveryContext& ctx) { app::StartFileSystemWorker(ctx); };
    e.addLostFolderRow = [](RecoveryContext& ctx) { AddLostFolderRow(ctx.tables.folderTable); };
    e.startPartitionSearch = [](RecoveryContext& ctx) { app::StartPartitionSearch(ctx); };
    e.stopPartitionSearch = [](RecoveryContext& ctx) { app::StopPartitionSearch(ctx); };
    e.discardRecoveryTree = [](RecoveryContext& ctx) { ctx.folderNodes.clear(); };
    return e;
}

} // namespace qr::app
