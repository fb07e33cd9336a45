#include "app/WalkedTree.h"

#include "app/FolderCommands.h"
#include "app/RecoveryContext.h"
#include "app/ScanDriver.h"
#include "model/BrowsingCarryOver.h"
#include "volume/SearchProgress.h"

namespace qr::app {

void ShowWalkedTree(RecoveryContext& context, model::RecordTable& walkRows,
                    model::TreeVariant variant) {
    if (!context.showWalkedTree)
        return;
    {
        std::lock_guard lock(context.browseMutex);
        LoadActiveGeometryFromVolume(context);
        // Quietly: the progress the window shows is the sweep's.
        volume::NoProgress quiet;
        BuildFolderTree(context, variant, walkRows, quiet);
        model::SetUpFolderColumns(context.fileList);
        context.walkTreeShown = true;
    }
    WindowItems& window = context.window();
    window.showItem(item::kSearchView, false);
    window.showItem(item::kProgressCaption, false);
    window.showItem(item::kRecoveryTree, true);
    window.showItem(item::kCurrentFolder, true);
    window.enableItem(item::kSaveButton, true);
    window.enableItem(item::kMenuSelectAll, true);
    window.enableItem(item::kMenuSave, true);
}

void JoinSweptTree(RecoveryContext& context, const std::function<void()>& build) {
    if (!context.walkTreeShown) {
        build();
        return;
    }
    std::lock_guard lock(context.browseMutex);
    model::TreeModel walked;
    model::FolderNodeList walkedNodes;
    context.recoveryTree.rebuildQuietly([&] {
        context.recoveryTree.moveItemsTo(walked);
        std::swap(walkedNodes, context.folderNodes);
        build();
        model::ItemMap map = model::CarryBrowsingState(walked, walkedNodes, context.recoveryTree,
                                                       context.folderNodes);
        model::KeepHandles(map, context.recoveryTree, context.folderNodes);
        context.currentFolderItem = model::MappedItem(map, context.currentFolderItem);
        context.lastClickedFolderItem = model::MappedItem(map, context.lastClickedFolderItem);
    });
    context.walkTreeShown = false;
}

bool BrowsingBlocked(const RecoveryContext& context) {
    return context.scanWorkerRunning && !context.walkTreeShown;
}

} // namespace qr::app
